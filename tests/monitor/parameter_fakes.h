#pragma once
// Recording fakes for the parameter panel and editing logic, and a fixture
// that plays read-backs from a table of device registers.
#include "device/register_map.h"
#include "monitor/logic/parameter_editing.h"
#include "monitor/logic/parameter_panel.h"

#include <QString>
#include <QStringList>
#include <map>
#include <string>
#include <vector>

namespace zu::test {

// What the panel's form would show, by control name.
class FakePanelView : public ParameterPanelView {
  public:
    FakePanelView() {
        for (const OverlapGroup& g : PanelOverlaps())
            groups.push_back(&g);
        front.assign(groups.size(), 0);
    }

    void setListIndex(std::string_view l, int i) override {
        lists[std::string(l)] = i;
        listTexts.erase(std::string(l));
    }
    int listIndex(std::string_view l) const override {
        auto it = lists.find(std::string(l));
        return it == lists.end() ? -1 : it->second;
    }
    void setListText(std::string_view l, const QString& t) override {
        lists[std::string(l)] = -1;
        listTexts[std::string(l)] = t;
    }
    void setEditText(std::string_view e, const QString& t) override { edits[std::string(e)] = t; }
    void setCaption(std::string_view c, const QString& t) override { captions[std::string(c)] = t; }
    void setControlVisible(std::string_view c, bool v) override { visible[std::string(c)] = v; }
    void setControlEnabled(std::string_view c, bool e) override { enabled[std::string(c)] = e; }
    void bringToFront(std::string_view c) override {
        for (std::size_t g = 0; g < groups.size(); ++g)
            for (int l = 0; l < 3; ++l)
                for (std::string_view n : groups[g]->layers[std::size_t(l)])
                    if (!n.empty() && n == c)
                        front[g] = l;
    }

    // Seen: not hidden, and for controls sharing a place, the one in front.
    bool seen(const std::string& c) const {
        auto isHidden = [&](std::string_view n) {
            auto it = visible.find(std::string(n));
            return it != visible.end() && !it->second;
        };
        if (isHidden(c))
            return false;
        for (std::size_t g = 0; g < groups.size(); ++g)
            for (int l = 0; l < 3; ++l)
                for (std::string_view n : groups[g]->layers[std::size_t(l)])
                    if (!n.empty() && n == c) {
                        // the front layer unless all of it is hidden
                        const auto& fl = groups[g]->layers[std::size_t(front[g])];
                        const bool frontHidden = isHidden(fl[0]);
                        return l == front[g] || (frontHidden && l != front[g]);
                    }
        return true;
    }
    bool isEnabled(const std::string& c) const {
        auto it = enabled.find(c);
        return it == enabled.end() || it->second;
    }
    QString edit(const std::string& c) const {
        auto it = edits.find(c);
        return it == edits.end() ? QStringLiteral("<unset>") : it->second;
    }
    int list(const std::string& c) const { return listIndex(c); }

    std::map<std::string, int> lists;
    std::map<std::string, QString> listTexts, edits, captions;
    std::map<std::string, bool> visible, enabled;
    std::vector<const OverlapGroup*> groups;
    std::vector<int> front;
};

class FakeEditingHost : public EditingHost {
  public:
    void setErrMessage(const QString& t) override { errMessage = t; }
    void notice(const QString& t) override { notices << t; }
    bool confirm(const QString& q) override {
        questions << q;
        return answer;
    }
    QString lastNotice() const { return notices.isEmpty() ? QString() : notices.last(); }
    QString errMessage;
    QStringList notices, questions;
    bool answer = true;
};

// Slot 0 connected and selected with a device of this family, and the
// panel laid out for it.
inline void SelectSlot0(MonitorModel& model, ParameterPanel& panel, char family, int comWrite,
                        int securityLevel) {
    DeviceSlot& slot = model.deviceSlots[0];
    model.SelectedSlot = 0;
    slot.connected = true;
    slot.Family = std::uint8_t(family);
    slot.ComWriteEnabled = std::uint16_t(comWrite);
    slot.SecurityLevelCode = std::uint32_t(securityLevel);
    panel.ApplyFamilyLayout(std::uint8_t(family));
}

// The reply a device with these registers (0 where unset) gives to one
// request kind, shown by the panel.
inline void ReplyFromRegisters(ParameterPanel& panel, const DeviceSlot& slot,
                               const std::map<int, std::uint16_t>& regs, int kind) {
    const regmap::PollRead q = regmap::KindRequest(kind, slot.Family, slot.cLocked());
    std::vector<std::uint16_t> w;
    for (int i = 0; i < q.count; ++i) {
        const auto it = regs.find(q.start + i);
        w.push_back(it == regs.end() ? 0 : it->second);
    }
    panel.ShowParameterReply(kind, w.data(), int(w.size()));
}

// One selected device (slot 0) with the panel and the editing on fakes.
struct PanelFixture {
    MonitorModel model;
    FakePanelView view;
    std::vector<std::pair<MonitorMenu, bool>> menus;
    bool accessCode = false;
    int securityShown = 0;
    ParameterPanel panel{model, view, makeHost()};
    FakeEditingHost host;
    ParameterEditing editing{model, host};
    // The device's registers as a read would give them (0 where unset).
    std::map<int, std::uint16_t> regs;

    PanelHost makeHost() {
        PanelHost h;
        h.enableMenu = [this](MonitorMenu m, bool on) { menus.push_back({m, on}); };
        h.accessCodeEntered = [this] { return accessCode; };
        h.showSecurityState = [this] { ++securityShown; };
        return h;
    }

    DeviceSlot& slot() { return model.deviceSlots[0]; }

    void select(char family, int comWrite = 1, int securityLevel = 8) {
        SelectSlot0(model, panel, family, comWrite, securityLevel);
    }
    void reply(int kind) { ReplyFromRegisters(panel, slot(), regs, kind); }
    // The read-back of kinds 10..14, as the engine runs it.
    void readBack() {
        for (int kind = 10; kind <= 14; ++kind)
            reply(kind);
    }
};

} // namespace zu::test
