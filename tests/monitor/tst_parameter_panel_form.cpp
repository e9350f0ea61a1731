// The ParaPL form offscreen: named controls, places shared by several
// controls, the controls that stay usable over disabled boxes, and the
// forwarding of Enter, list close-ups and the factory buttons.
#include "parameter_fakes.h"

#include "core/texts.h"
#include "monitor/widgets/parameter_panel_form.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace zu;
using namespace zu::test;

namespace {

QString qs(std::string_view s) {
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}

// The form inside a plain window, as the monitor holds it.
bool showIn(QWidget& top, ParameterPanelForm& form, QSize size) {
    top.resize(size);
    form.setGeometry(QRect(QPoint(0, 0), size));
    top.show();
    return QTest::qWaitForWindowExposed(&top);
}

// A device read back into a real form.
struct FormFixture {
    MonitorModel model;
    QWidget top;
    ParameterPanelForm& form = *new ParameterPanelForm(&top);
    ParameterPanel panel{model, form};
    FakeEditingHost host;
    ParameterEditing editing{model, host};
    std::map<int, std::uint16_t> regs;

    FormFixture() { form.setEditing(&editing); }
    bool show(QSize size = QSize(1200, 360)) { return showIn(top, form, size); }
    DeviceSlot& slot() { return model.deviceSlots[0]; }
    void select(char family, int level = 8) {
        slot().FirmwareVersion = 0x0312;
        SelectSlot0(model, panel, family, 1, level);
    }
    void reply(int kind) { ReplyFromRegisters(panel, slot(), regs, kind); }
    void readBack(bool adjust = false) {
        for (int kind = 10; kind <= 14; ++kind)
            reply(kind);
        if (adjust) {
            reply(20);
            if (slot().Family != 'A')
                reply(21);
        }
    }
    template <class W = QWidget> W* w(const char* name) {
        return form.findChild<W*>(QString::fromLatin1(name));
    }
    bool shown(const char* name) {
        QWidget* x = w(name);
        return x && x->isVisibleTo(&form);
    }
};

// Plausible settings of a device of each family, for a filled panel.
void fill(FormFixture& f, char family) {
    if (family == 'A') {
        f.regs = {{0x4701, 1500}, {0x4702, 50},  {0x4703, 0xFFCE}, {0x4706, 4000}, {0x4707, 0},
                  {0x4708, 47},   {0x4709, 240}, {0x470A, 60},     {0x470B, 10},   {0x470C, 100},
                  {0x4710, 1},    {0x4712, 20},  {0x4714, 0xFFFB}, {0x4715, 2},    {0x4716, 3},
                  {0x4717, 1},    {0x4718, 0},   {0x4719, 1},      {0x471A, 1},    {0x4731, 0}};
    } else {
        f.regs = {{0x4701, 2355}, {0x4704, 12000}, {0x4705, 0xF830}, {0x4706, 40},  {0x4707, 40},
                  {0x4708, 30},   {0x4709, 30},    {0x470A, 50},     {0x470B, 50},  {0x470C, 47},
                  {0x470D, 260},  {0x470E, 41},    {0x4711, 100},    {0x4712, 5},   {0x4713, 10},
                  {0x4714, 10},   {0x4715, 100},   {0x4718, 0},      {0x4719, 0},   {0x471A, 2},
                  {0x471B, 20},   {0x471C, 20},    {0x471F, 1},      {0x4720, 1},   {0x4721, 2},
                  {0x4722, 3},    {0x4723, 1},     {0x4724, 1},      {0x4725, 1},   {0x4726, 1},
                  {0x4730, 1},    {0x4732, 3},     {0x4737, 2},      {0x4738, 1000}};
        if (family == 'C') {
            f.regs[0x471A] = 0; // output 1 heats, output 2 cools
            f.regs[0x471F] = 1;
        }
    }
    f.slot().AtSeen = 0;
}

// Visible controls of a box must not cover one another and must lie inside it.
void checkNoOverlaps(QWidget* box) {
    QList<QWidget*> kids;
    for (QObject* o : box->children())
        if (auto* k = qobject_cast<QWidget*>(o);
            k && k->isVisibleTo(box) && !k->objectName().isEmpty())
            kids << k;
    for (QWidget* k : kids) {
        QVERIFY2(box->rect().contains(k->geometry()),
                 qPrintable(box->objectName() + "/" + k->objectName()));
        QVERIFY2(k->width() >= k->minimumSizeHint().width() - 1, qPrintable(k->objectName()));
    }
    for (int i = 0; i < kids.size(); ++i)
        for (int j = i + 1; j < kids.size(); ++j)
            QVERIFY2(!kids[i]->geometry().intersects(kids[j]->geometry()),
                     qPrintable(kids[i]->objectName() + " / " + kids[j]->objectName()));
}

} // namespace

class TestParameterPanelForm : public QObject {
    Q_OBJECT
  private slots:
    void namedControlsWithTheirCaptions();
    void listsHoldTheCodeTables();
    void editBoxesTakeFiveCharacters();
    void sharedPlacesShowOne_data();
    void sharedPlacesShowOne();
    void controlsOverDisabledBoxesStayUsable();
    void enterInAnEditWrites();
    void listCloseUpWrites();
    void wheelDoesNotChangeAList();
    void factoryButtons();
    void blankedLists();
    void layoutAtWindowSizes_data();
    void layoutAtWindowSizes();
};

void TestParameterPanelForm::namedControlsWithTheirCaptions() {
    ParameterPanelForm form;
    QCOMPARE(form.objectName(), QStringLiteral("ParaPL"));
    for (const PanelControl& c : PanelControls()) {
        QWidget* w = form.findChild<QWidget*>(qs(c.name));
        QVERIFY2(w, std::string(c.name).c_str());
        if (auto* box = qobject_cast<QGroupBox*>(w))
            QCOMPARE(box->title(), qs(c.caption));
        if (auto* bt = qobject_cast<QPushButton*>(w))
            QCOMPARE(bt->text(), qs(c.caption));
        if (c.name == "FWVersion")
            QCOMPARE(qobject_cast<QLabel*>(w)->text(), qs(c.caption));
        if (c.label.empty())
            continue;
        auto* label = form.findChild<QLabel*>(qs(c.label));
        QVERIFY2(label, std::string(c.label).c_str());
        // shared labels carry the caption of the control designed in front
        if (c.name != "Out1Sel" && c.name != "Out2Sel")
            QCOMPARE(label->text(), qs(c.caption));
    }
    for (const char* n : {"ProgressBar", "ProgressLb", "SecurityPL"})
        QVERIFY(form.findChild<QWidget*>(n));
    QCOMPARE(form.findChild<QLabel*>("Hyst2Lb")->text(), QStringLiteral("Hysterisis 2"));
    QCOMPARE(form.findChild<QLabel*>("CurrHiLb")->text(), QStringLiteral("Tune Out High "));
    QCOMPARE(form.findChild<QPushButton*>("ClearBt2")->text(),
             QStringLiteral("Clear PV Adjust Value "));
    // group boxes start disabled, as designed, except the control box
    for (const char* b : {"TempBox", "PIDBox", "OnOffBox", "ManuBox", "AlmBox", "AdjustBox"})
        QVERIFY(!form.findChild<QWidget*>(b)->isEnabled());
    QVERIFY(form.findChild<QWidget*>("CtrlBox")->isEnabled());
    QCOMPARE(form.findChild<QComboBox*>("Unit")->currentText(), QStringLiteral("C"));
    QCOMPARE(form.findChild<QComboBox*>("Pointer")->currentText(), QStringLiteral("1"));
}

void TestParameterPanelForm::listsHoldTheCodeTables() {
    ParameterPanelForm form;
    const std::pair<const char*, const regmap::CodeTable*> lists[] = {
        {"CtrlSet", &regmap::CtrlSet},
        {"RunStop", &regmap::RunStop},
        {"HeatCool", &regmap::HeatCool},
        {"Out1Sel", &regmap::Out1Sel},
        {"Out2Sel", &regmap::Out2Sel},
        {"ComWrite", &regmap::ComWrite},
        {"LockStatus", &regmap::LockStatus},
        {"AT", &regmap::AT},
        {"InputA", &regmap::InputA},
        {"InputB", &regmap::InputB},
        {"Unit", &regmap::Unit},
        {"ProgDisp", &regmap::ProgDisp},
        {"Pointer", &regmap::Pointer},
        {"ALM1Mode", &regmap::AlarmModes},
        {"ALM2Mode", &regmap::AlarmModes},
        {"ALM3Mode", &regmap::AlarmModes},
        {"SALMode", &regmap::SALMode},
        {"OutputType1", &regmap::OutputType1},
        {"OutputType2", &regmap::OutputType2}};
    QCOMPARE(int(std::size(lists)), int(ParameterEditing::Lists().size()));
    for (const auto& [name, table] : lists) {
        auto* combo = form.findChild<QComboBox*>(name);
        QVERIFY2(combo, name);
        QCOMPARE(combo->count(), table->size());
        for (int i = 0; i < combo->count(); ++i)
            QCOMPARE(combo->itemText(i), qs(table->items[std::size_t(i)]));
    }
}

void TestParameterPanelForm::editBoxesTakeFiveCharacters() {
    FormFixture f;
    for (std::string_view name : ParameterEditing::EditBoxes()) {
        auto* e = f.form.findChild<QLineEdit*>(qs(name));
        QVERIFY2(e, std::string(name).c_str());
        QCOMPARE(e->maxLength(), 5);
    }
    f.form.setControlEnabled("TempBox", true);
    auto* lo = f.w<QLineEdit>("RangeLo");
    // a shown value is never cut
    f.form.setEditText("RangeLo", QStringLiteral("- 199.9"));
    QCOMPARE(lo->text(), QStringLiteral("- 199.9"));
    // typing is limited to five characters once the box is cleared
    lo->selectAll();
    QTest::keyClick(lo, Qt::Key_Backspace);
    QTest::keyClicks(lo, QStringLiteral("1234567"));
    QCOMPARE(lo->text(), QStringLiteral("12345"));
}

void TestParameterPanelForm::sharedPlacesShowOne_data() {
    QTest::addColumn<QString>("steps"); // front:<name> | hide:<name> | prog:<mode> | noprog
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("seen");
    QTest::newRow("boxes at start") << ""
                                    << "PIDBox OnOffBox ManuBox"
                                    << "PIDBox";
    QTest::newRow("ON-OFF") << "front:OnOffBox"
                            << "PIDBox OnOffBox ManuBox"
                            << "OnOffBox";
    QTest::newRow("Manual then PID") << "front:ManuBox front:PIDBox"
                                     << "PIDBox OnOffBox ManuBox"
                                     << "PIDBox";
    QTest::newRow("heat/cool at start") << ""
                                        << "HeatCool Out1Sel"
                                        << "HeatCool";
    QTest::newRow("family C output 1") << "hide:HeatCool"
                                       << "HeatCool Out1Sel"
                                       << "Out1Sel";
    QTest::newRow("family C output 2") << "hide:ComWrite"
                                       << "ComWrite Out2Sel"
                                       << "Out2Sel";
    QTest::newRow("com write at start") << ""
                                        << "ComWrite Out2Sel"
                                        << "ComWrite";
    QTest::newRow("integral offset") << ""
                                     << "IOffset IOffsetLb PDOffset PDOffsetLb"
                                     << "IOffset IOffsetLb";
    QTest::newRow("PD offset") << "front:PDOffsetLb front:PDOffset"
                               << "IOffset IOffsetLb PDOffset PDOffsetLb"
                               << "PDOffset PDOffsetLb";
    QTest::newRow("program display") << "prog:2"
                                     << "SV ProgDisp"
                                     << "ProgDisp";
    QTest::newRow("program ended") << "prog:1 noprog"
                                   << "SV ProgDisp"
                                   << "SV";
    QTest::newRow("family A input") << "front:InputA"
                                    << "InputA InputB"
                                    << "InputA";
    QTest::newRow("family B input") << "front:InputA front:InputB"
                                    << "InputA InputB"
                                    << "InputB";
}

void TestParameterPanelForm::sharedPlacesShowOne() {
    QFETCH(QString, steps);
    QFETCH(QString, group);
    QFETCH(QString, seen);
    QWidget top;
    auto& form = *new ParameterPanelForm(&top);
    QVERIFY(showIn(top, form, QSize(1200, 360)));
    for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
        const QString arg = step.section(':', 1);
        if (step.startsWith("front:"))
            form.bringToFront(arg.toStdString());
        else if (step.startsWith("hide:"))
            form.setControlVisible(arg.toStdString(), false);
        else if (step.startsWith("prog:"))
            form.showProgramDisplay(true, arg.toInt());
        else if (step == "noprog")
            form.showProgramDisplay(false, 0);
    }
    const QStringList expected = seen.split(' ');
    for (const QString& name : group.split(' ')) {
        QWidget* w = form.findChild<QWidget*>(name);
        QVERIFY(w);
        QCOMPARE(w->isVisible(), expected.contains(name));
    }
    if (steps.startsWith("prog:2"))
        QCOMPARE(form.findChild<QComboBox*>("ProgDisp")->currentText(),
                 QStringLiteral("Time Left"));
    QCOMPARE(form.svEditVisible(), !seen.contains("ProgDisp"));
}

void TestParameterPanelForm::controlsOverDisabledBoxesStayUsable() {
    QWidget top;
    auto& form = *new ParameterPanelForm(&top);
    QVERIFY(showIn(top, form, QSize(1200, 360)));
    for (const char* b : {"CtrlBox", "TempBox"})
        form.setControlEnabled(b, false);
    const std::pair<const char*, const char*> over[] = {
        {"SV", "TempBox"}, {"AT", "CtrlBox"}, {"ComWrite", "CtrlBox"}};
    for (const auto& [name, boxName] : over) {
        QWidget* w = form.findChild<QWidget*>(name);
        QWidget* box = form.findChild<QWidget*>(boxName);
        QVERIFY(w->isEnabled());
        QVERIFY(w->isVisible());
        QCOMPARE(w->parentWidget(), static_cast<QWidget*>(&form));
        // it covers its place inside the box
        QVERIFY2(box->geometry().contains(w->geometry()), name);
        QVERIFY(w->width() > 30 && w->height() > 10);
    }
    // the com-write list sits in the row of its label
    QWidget* label = form.findChild<QWidget*>("ComWLb");
    const int labelY = label->mapTo(&form, QPoint(0, label->height() / 2)).y();
    QVERIFY(qAbs(form.findChild<QWidget*>("ComWrite")->geometry().center().y() - labelY) < 6);
    QVERIFY(!form.findChild<QWidget*>("RangeHi")->isEnabled());
}

void TestParameterPanelForm::enterInAnEditWrites() {
    FormFixture f;
    f.select('B');
    fill(f, 'B');
    f.readBack();
    QVERIFY(f.show());
    auto* sv = f.w<QLineEdit>("SV");
    sv->clear();
    QTest::keyClicks(sv, QStringLiteral("12.5"));
    QVERIFY(!f.model.req.WritePending); // typing alone writes nothing
    QTest::keyClick(sv, Qt::Key_Return);
    QVERIFY(f.model.req.WritePending);
    QCOMPARE(int(f.model.req.PendingRegister), 0x4701);
    QCOMPARE(int(f.model.req.PendingValue), 125);

    auto* ti = f.w<QLineEdit>("Ti");
    ti->clear();
    QTest::keyClicks(ti, QStringLiteral("-5"));
    QTest::keyClick(ti, Qt::Key_Enter); // the keypad's Enter as well
    QCOMPARE(int(f.model.req.PendingRegister), 0x470D);
    QCOMPARE(int(f.model.req.PendingValue), 0xFFFB);
    QVERIFY(f.host.lastNotice().contains("replaces"));
}

void TestParameterPanelForm::listCloseUpWrites() {
    FormFixture f;
    f.select('B');
    QVERIFY(f.show());

    // a keyboard change of the closed list
    auto* ctrl = f.w<QComboBox>("CtrlSet");
    ctrl->setFocus();
    QTest::keyClick(ctrl, Qt::Key_Down);
    QVERIFY(f.model.req.WritePending);
    QCOMPARE(int(f.model.req.PendingRegister), 0x4719);
    QCOMPARE(int(f.model.req.PendingValue), 1);

    // choosing in the open list
    f.model.req = {};
    auto* lock = f.w<QComboBox>("LockStatus");
    lock->showPopup();
    QTRY_VERIFY(lock->view()->isVisible());
    lock->view()->setCurrentIndex(lock->model()->index(2, 0));
    QTest::keyClick(lock->view(), Qt::Key_Return);
    QTRY_VERIFY(f.model.req.WritePending);
    QCOMPARE(int(f.model.req.PendingRegister), 0x471E);
    QCOMPARE(int(f.model.req.PendingValue), 11);

    // closing without a change still sends the item shown
    f.model.req = {};
    auto* unit = f.w<QComboBox>("Unit");
    unit->setCurrentIndex(2);
    unit->showPopup();
    QTRY_VERIFY(unit->view()->isVisible());
    QTest::keyClick(unit->view(), Qt::Key_Escape);
    QTRY_VERIFY(f.model.req.WritePending);
    QCOMPARE(int(f.model.req.PendingRegister), 0x4724);
    QCOMPARE(int(f.model.req.PendingValue), 2);
    QCoreApplication::processEvents();
    QCOMPARE(f.host.notices.size(), 3); // one write per close-up
}

void TestParameterPanelForm::wheelDoesNotChangeAList() {
    FormFixture f;
    f.select('B');
    QVERIFY(f.show());
    auto* mode = f.w<QComboBox>("ALM1Mode");
    mode->setCurrentIndex(3);
    QWheelEvent wheel(QPointF(5, 5), mode->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(mode, &wheel);
    QCOMPARE(mode->currentIndex(), 3);
    QVERIFY(!f.model.req.WritePending);
}

void TestParameterPanelForm::factoryButtons() {
    FormFixture f;
    f.select('C');
    fill(f, 'C');
    f.readBack();
    f.panel.ShowAdjustControls(true);
    QVERIFY(f.show());
    QVERIFY(f.shown("ClearBt1") && f.shown("mVGain"));
    f.host.answer = false;
    QTest::mouseClick(f.w<QPushButton>("ClearBt1"), Qt::LeftButton);
    QCOMPARE(f.host.questions.size(), 1);
    QVERIFY(!f.model.req.WritePending);
    f.host.answer = true;
    QTest::mouseClick(f.w<QPushButton>("ClearBt2"), Qt::LeftButton);
    QCOMPARE(f.host.questions.last(), QString::fromLatin1(text::ClearFactoryConfirm));
    QCOMPARE(int(f.model.req.PendingRegister), 0x474F);
    QVERIFY(f.model.req.UnlockPending && f.model.req.WritePending);
}

void TestParameterPanelForm::blankedLists() {
    FormFixture f;
    f.select('C', 8);
    fill(f, 'C');
    f.readBack();
    f.slot().SecurityLevelCode = 2;
    f.panel.ApplyParameterLayout();
    f.panel.ApplyAccessState();
    auto* mode = f.w<QComboBox>("ALM1Mode");
    QCOMPARE(mode->currentIndex(), -1);
    QCOMPARE(mode->placeholderText(), QStringLiteral("N/A"));
    QCOMPARE(f.w<QLineEdit>("Pb")->text(), QStringLiteral("N/A"));
    QCOMPARE(f.w<QComboBox>("CtrlSet")->currentIndex(), -1);
    QCOMPARE(f.w<QComboBox>("LockStatus")->currentText(), QStringLiteral("Not SV"));
    QVERIFY(f.w("SV")->isEnabled());
    QVERIFY(!f.w("AT")->isEnabled());
    // unlocked again: the read-back shows real items, not the blank text
    f.slot().SecurityLevelCode = 8;
    f.readBack();
    QCOMPARE(mode->currentText(), QStringLiteral("Up-Down Limit"));
    QCOMPARE(f.w<QLineEdit>("Pb")->text(), QStringLiteral("4.7"));
}

void TestParameterPanelForm::layoutAtWindowSizes_data() {
    QTest::addColumn<char>("family");
    QTest::addColumn<bool>("adjust");
    QTest::addColumn<QSize>("window");
    for (const QSize s : {QSize(1024, 768), QSize(1920, 1080)})
        for (char fam : {'A', 'B', 'C'})
            for (bool adjust : {false, true})
                QTest::addRow("%c%s %dx%d", fam, adjust ? " hidden mode" : "", s.width(),
                              s.height())
                    << fam << adjust << s;
}

// The panel takes the monitor's lower half. Set ZU_PANEL_SHOTS to a folder
// to keep a picture of each case.
void TestParameterPanelForm::layoutAtWindowSizes() {
    QFETCH(char, family);
    QFETCH(bool, adjust);
    QFETCH(QSize, window);
    FormFixture f;
    f.select(family);
    fill(f, family);
    f.readBack(adjust);
    if (family == 'C' && adjust)
        f.form.setControlVisible("SecurityPL", false);
    const QSize size(window.width() - 16, window.height() / 2 - 40);
    QVERIFY2(f.form.minimumSizeHint().width() <= size.width(),
             qPrintable(QString::number(f.form.minimumSizeHint().width())));
    QVERIFY2(f.form.minimumSizeHint().height() <= size.height(),
             qPrintable(QString::number(f.form.minimumSizeHint().height())));
    QVERIFY(f.show(size));
    QCoreApplication::processEvents();

    QList<QGroupBox*> boxes;
    for (QGroupBox* box : f.form.findChildren<QGroupBox*>())
        if (box->isVisible()) {
            checkNoOverlaps(box);
            boxes << box;
        }
    for (int i = 0; i < boxes.size(); ++i)
        for (int j = i + 1; j < boxes.size(); ++j)
            QVERIFY2(!boxes[i]->geometry().intersects(boxes[j]->geometry()),
                     qPrintable(boxes[i]->objectName() + " / " + boxes[j]->objectName()));
    QVERIFY(f.form.rect().contains(f.w("AlmBox")->geometry()));
    QVERIFY(f.form.rect().contains(f.w("AdjustBox")->geometry()));
    QCOMPARE(f.w<QLineEdit>("SV")->text(),
             family == 'A' ? QStringLiteral("150.0") : QStringLiteral("235.5"));
    QVERIFY(f.w<QLabel>("FWVersion")->text().startsWith("F/W Version 3.12"));

    const QString dir = qEnvironmentVariable("ZU_PANEL_SHOTS");
    if (!dir.isEmpty())
        QVERIFY(f.form.grab().save(QStringLiteral("%1/panel_%2%3_%4x%5.png")
                                       .arg(dir)
                                       .arg(QChar(family))
                                       .arg(adjust ? "_hidden" : "")
                                       .arg(window.width())
                                       .arg(window.height())));
}

QTEST_MAIN(TestParameterPanelForm)
#include "tst_parameter_panel_form.moc"
