// Editing in the parameter panel against simulated controllers: the real
// form, editing and panel logic on the real polling engine, over the
// simulated line, on virtual time. What goes on the wire is counted frame by
// frame, and the device's own registers are looked at from its side.
#include "engine_rig.h"
#include "parameter_fakes.h"

#include "core/texts.h"
#include "monitor/widgets/parameter_panel_form.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

using namespace zu;
using namespace zu::test;

namespace {

struct Monitor {
    Rig rig;
    QWidget top;
    ParameterPanelForm& form = *new ParameterPanelForm(&top);
    ParameterPanel panel{rig.engine->model(), form};
    FakeEditingHost host;
    ParameterEditing editing{rig.engine->model(), host};
    sim::Device* device = nullptr;

    Monitor(char family, bool rtu) : rig(rtu, Via::Sim) {
        form.setEditing(&editing);
        rig.engine->setPanelHooks(&panel);
        device = &rig.device(family, 1);
        top.resize(1300, 400);
        form.setGeometry(0, 0, 1300, 400);
        top.show();
    }
    ~Monitor() { rig.engine->setPanelHooks(nullptr); }
    MonitorModel& model() { return rig.engine->model(); }
    bool connect() {
        rig.engine->RunBt0Click(0);
        return rig.clock.advanceUntil([&] { return model().req.ParameterPanelShown; }, 30000);
    }
    // Write frames (function 06) to a register since wire frame `from`.
    int writesTo(int reg, std::size_t from) const {
        int n = 0;
        for (const Req& r : rig.reqs(from))
            n += r.function == 0x06 && r.reg == reg;
        return n;
    }
    int writes(std::size_t from) const {
        int n = 0;
        for (const Req& r : rig.reqs(from))
            n += r.function == 0x06;
        return n;
    }
    QLineEdit* edit(const char* name) { return form.findChild<QLineEdit*>(name); }
    QComboBox* list(const char* name) { return form.findChild<QComboBox*>(name); }
    void type(const char* box, const QString& text) {
        QLineEdit* e = edit(box);
        e->selectAll();
        QTest::keyClicks(e, text);
        QTest::keyClick(e, Qt::Key_Return);
    }
    // Waits until the write has been answered and the panel read back
    // (the scheduler is past the parameter kinds again).
    bool settleWrite(const std::function<bool()>& shown) {
        return rig.clock.advanceUntil(
            [&] {
                const EngineRequests& r = model().req;
                return !r.WritePending && !r.UnlockPending && !r.ParameterRefresh &&
                       model().RequestKind < 10 && shown();
            },
            30000);
    }
};

} // namespace

class TestParameterEndToEnd : public QObject {
    Q_OBJECT
  private slots:
    void changesReachTheDevice_data();
    void changesReachTheDevice();
    void disabledDeviceIsNotWritten_data();
    void disabledDeviceIsNotWritten();
    void unlockedWriteOfAnOutputType();
    void familyCShowsItsOwnDecimals();
    void lockedFamilyCWritesWhatItsLevelAllows_data();
    void lockedFamilyCWritesWhatItsLevelAllows();
};

void TestParameterEndToEnd::changesReachTheDevice_data() {
    QTest::addColumn<char>("family");
    QTest::addColumn<bool>("rtu");
    QTest::addColumn<int>("svReg");
    QTest::addColumn<QString>("alarmList");
    QTest::addColumn<int>("alarmReg");
    QTest::addColumn<int>("pbReg");
    QTest::newRow("A ascii") << 'A' << false << 0x4701 << "ALM1Mode" << 0x4715 << 0x4708;
    QTest::newRow("B ascii") << 'B' << false << 0x4701 << "ALM1Mode" << 0x4720 << 0x470C;
    QTest::newRow("B rtu") << 'B' << true << 0x4701 << "ALM2Mode" << 0x4721 << 0x470C;
    // family C shows the alarm row of the output that is an alarm (output 2)
    QTest::newRow("C ascii") << 'C' << false << 0x4701 << "ALM2Mode" << 0x4721 << 0x470C;
    QTest::newRow("C rtu") << 'C' << true << 0x4701 << "ALM2Mode" << 0x4721 << 0x470C;
}

void TestParameterEndToEnd::changesReachTheDevice() {
    QFETCH(char, family);
    QFETCH(bool, rtu);
    QFETCH(int, svReg);
    QFETCH(QString, alarmList);
    QFETCH(int, alarmReg);
    QFETCH(int, pbReg);
    Monitor m(family, rtu);
    QVERIFY(m.connect());
    QCOMPARE(int(m.model().deviceSlots[0].Family), int(family));
    QVERIFY(m.edit("SV")->isEnabled());
    QCOMPARE(m.edit("SV")->text(), QStringLiteral("100.0"));

    // set value
    std::size_t from = m.rig.wire.size();
    m.type("SV", QStringLiteral("123.4"));
    QVERIFY(m.model().req.WritePending);
    QVERIFY(m.settleWrite([&] { return m.edit("SV")->text() == "123.4"; }));
    QCOMPARE(int(m.device->peek(std::uint16_t(svReg))), 1234);
    QCOMPARE(m.writesTo(svReg, from), 1);
    QCOMPARE(m.writes(from), 1);
    QVERIFY(m.rig.view.errMessage.find("compare") == std::string::npos);

    // alarm mode, one item down in the closed list
    QComboBox* alarm = m.list(alarmList.toLatin1().constData());
    QVERIFY(alarm->isVisible() && alarm->isEnabled());
    const int before = alarm->currentIndex();
    QVERIFY(before >= 0);
    from = m.rig.wire.size();
    alarm->setFocus();
    QTest::keyClick(alarm, Qt::Key_Down);
    QVERIFY(m.model().req.WritePending);
    QVERIFY(m.settleWrite([] { return true; }));
    QCOMPARE(int(m.device->peek(std::uint16_t(alarmReg))), before + 1);
    QCOMPARE(alarm->currentIndex(), before + 1);
    QCOMPARE(m.writesTo(alarmReg, from), 1);
    QCOMPARE(m.writes(from), 1);

    // a PID value
    QVERIFY(m.edit("Pb")->isVisible());
    from = m.rig.wire.size();
    m.type("Pb", QStringLiteral("5.5"));
    QVERIFY(m.settleWrite([&] { return m.edit("Pb")->text() == "5.5"; }));
    QCOMPARE(int(m.device->peek(std::uint16_t(pbReg))), 55);
    QCOMPARE(m.writesTo(pbReg, from), 1);
    QCOMPARE(m.writes(from), 1);

    QCOMPARE(m.host.notices.size(), 3);
    QVERIFY(m.host.notices[0].startsWith("Writing SV = 123.4"));
    QVERIFY(m.host.errMessage.isEmpty());
}

void TestParameterEndToEnd::disabledDeviceIsNotWritten_data() {
    QTest::addColumn<char>("family");
    QTest::addColumn<int>("comWriteReg");
    QTest::newRow("A") << 'A' << 0x471A;
    QTest::newRow("B") << 'B' << 0x4726;
}

void TestParameterEndToEnd::disabledDeviceIsNotWritten() {
    QFETCH(char, family);
    QFETCH(int, comWriteReg);
    Monitor m(family, false);
    m.device->poke(std::uint16_t(comWriteReg), 0);
    QVERIFY(m.connect());
    QCOMPARE(int(m.model().deviceSlots[0].ComWriteEnabled), 0);
    QVERIFY(!m.form.findChild<QWidget*>("PIDBox")->isEnabled());
    QVERIFY(!m.edit("SV")->isEnabled());

    // a change that still gets typed (the edit enabled by hand) is refused
    m.edit("SV")->setEnabled(true);
    const std::size_t from = m.rig.wire.size();
    m.type("SV", QStringLiteral("150"));
    QVERIFY(!m.model().req.WritePending);
    QVERIFY(m.host.lastNotice().contains("communication write is disabled on the device"));
    QCOMPARE(m.host.errMessage, QString::fromLatin1(text::IllegalFunctionOnWrongModel));
    // a few poll cycles later: nothing written, and the panel shows the device's value
    QVERIFY(m.rig.runFrames(40));
    QCOMPARE(m.writes(from), 0);
    QCOMPARE(int(m.device->peek(0x4701)), 1000);
    QCOMPARE(m.edit("SV")->text(), QStringLiteral("100.0"));

    // switching writing on is sent, and then a change goes through
    QComboBox* comWrite = m.list("ComWrite");
    QVERIFY(comWrite->isEnabled());
    comWrite->setFocus();
    QTest::keyClick(comWrite, Qt::Key_Down);
    QVERIFY(m.settleWrite([&] { return m.edit("SV")->isEnabled(); }));
    QCOMPARE(m.writesTo(comWriteReg, from), 1);
    QCOMPARE(int(m.device->peek(std::uint16_t(comWriteReg))), 1);
    m.type("SV", QStringLiteral("150"));
    QVERIFY(m.settleWrite([&] { return m.edit("SV")->text() == "150.0"; }));
    QCOMPARE(int(m.device->peek(0x4701)), 1500);
    QCOMPARE(m.writes(from), 2);
}

// A protected register: one unlock write, then the write itself.
void TestParameterEndToEnd::unlockedWriteOfAnOutputType() {
    Monitor m('B', false);
    QVERIFY(m.connect());
    const std::size_t from = m.rig.wire.size();
    m.editing.CtrlSetCloseUp("OutputType1", 2);
    QVERIFY(m.settleWrite([] { return true; }));
    QCOMPARE(int(m.device->peek(0x4730)), 2);
    const std::vector<Req> sent = m.rig.reqs(from);
    std::vector<Req> writes;
    for (const Req& r : sent)
        if (r.function == 0x06)
            writes.push_back(r);
    QCOMPARE(int(writes.size()), 2);
    QCOMPARE(writes[0], (Req{1, 6, 0x472A, 0x6C3E}));
    QCOMPARE(writes[1], (Req{1, 6, 0x4730, 2}));
}

// The decimals a family-C device is shown with are its own, whatever device
// was selected before; its set value goes back as it is shown.
void TestParameterEndToEnd::familyCShowsItsOwnDecimals() {
    Monitor m('B', false);
    m.device->poke(0x4725, 2); // family B: two decimals
    sim::Device& c2 = m.rig.device('C', 2);
    sim::Device& c3 = m.rig.device('C', 3);
    m.rig.setAddresses({1, 2, 1, 1});
    QVERIFY(m.connect());
    m.rig.engine->RunBt0Click(1);
    auto shows = [&](int slot, const char* sv) {
        return m.rig.clock.advanceUntil(
            [&] {
                const EngineRequests& r = m.model().req;
                return m.model().SelectedSlot == slot && !r.ParameterRefresh &&
                       !r.ReidentifySelected && m.model().RequestKind < 10 &&
                       m.edit("SV")->text() == QLatin1String(sv);
            },
            30000);
    };
    QVERIFY(shows(0, "10.00"));

    m.rig.engine->Adr0LbClick(1);
    QVERIFY2(shows(1, "100.0"), qPrintable(m.edit("SV")->text()));
    QCOMPARE(m.list("Pointer")->currentIndex(), 1);
    std::size_t from = m.rig.wire.size();
    m.type("SV", m.edit("SV")->text());
    QVERIFY(m.settleWrite([&] { return m.edit("SV")->text() == "100.0"; }));
    QCOMPARE(m.writesTo(0x4701, from), 1);
    QCOMPARE(int(c2.peek(0x4701)), 1000);

    // this device's own choice, kept over a visit to the other one
    m.editing.CtrlSetCloseUp("Pointer", 3);
    QVERIFY(shows(1, "1.000"));
    m.rig.engine->Adr0LbClick(0);
    QVERIFY(shows(0, "10.00"));
    m.rig.engine->Adr0LbClick(1);
    QVERIFY(shows(1, "1.000"));
    QCOMPARE(m.list("Pointer")->currentIndex(), 3);

    // another device in the slot starts at one decimal again
    c3.poke(0x4701, 1500);
    m.rig.engine->ComAddr0Change(1, {1, 3, 1, 1});
    QVERIFY(shows(1, "150.0"));
    QCOMPARE(m.list("Pointer")->currentIndex(), 1);
}

void TestParameterEndToEnd::lockedFamilyCWritesWhatItsLevelAllows_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<bool>("autoTuning"); // the level lets AT be written too
    QTest::newRow("PV,SV") << 2 << false;
    QTest::newRow("Read All, SV,AT") << 4 << true;
}

void TestParameterEndToEnd::lockedFamilyCWritesWhatItsLevelAllows() {
    QFETCH(int, level);
    QFETCH(bool, autoTuning);
    Monitor m('C', false);
    m.device->security().setLevel(level);
    m.device->poke(0x4726, 0); // says nothing for family C
    QVERIFY(m.connect());
    QCOMPARE(int(m.model().deviceSlots[0].SecurityLevelCode), level);
    QVERIFY(m.edit("SV")->isEnabled());

    std::size_t from = m.rig.wire.size();
    m.type("SV", QStringLiteral("42.5"));
    QVERIFY2(m.model().req.WritePending, qPrintable(m.host.lastNotice()));
    QCOMPARE(m.host.lastNotice(), QStringLiteral("Writing SV = 42.5"));
    QVERIFY(m.settleWrite([] { return true; }));
    QCOMPARE(m.writesTo(0x4701, from), 1);
    QCOMPARE(m.writes(from), 1);
    QCOMPARE(int(m.device->peek(0x4701)), 425);

    from = m.rig.wire.size();
    m.editing.CtrlSetCloseUp("AT", 1);
    if (autoTuning) {
        QVERIFY(m.settleWrite([] { return true; }));
        QCOMPARE(m.writesTo(0x4727, from), 1);
        QCOMPARE(int(m.device->peek(0x4727)), 1);
    } else {
        QVERIFY(!m.model().req.WritePending);
        QVERIFY(m.host.lastNotice().contains("security level"));
        QVERIFY(m.rig.runFrames(20));
        QCOMPARE(m.writes(from), 0);
    }
    // nothing blamed the device for what was never read
    for (const QString& n : m.host.notices)
        QVERIFY2(!n.contains("communication write"), qPrintable(n));
}

QTEST_MAIN(TestParameterEndToEnd)
#include "tst_parameter_e2e.moc"
