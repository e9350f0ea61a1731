#pragma once
// The widgets of the parameter panel ParaPL, which the monitor window embeds
// in its lower half. Every control carries its name as objectName. Controls
// that share one place are resolved so that only the one in front is seen;
// ComWrite, AT and SV sit on the panel itself, over places inside their group
// boxes, so they stay usable while the boxes are disabled.
#include "monitor/logic/parameter_panel.h"

#include <QString>
#include <QWidget>
#include <map>
#include <string>
#include <string_view>
#include <vector>

class QComboBox;
class QGridLayout;
class QGroupBox;
class QLineEdit;

namespace zu {

class ParameterEditing;

class ParameterPanelForm : public QWidget, public ParameterPanelView {
  public:
    explicit ParameterPanelForm(QWidget* parent = nullptr);
    ~ParameterPanelForm() override;

    // Where list close-ups, Enter in an edit box and the factory buttons go.
    void setEditing(ParameterEditing* editing) { editing_ = editing; }

    // The status display's program display: ProgDisp in front with item
    // `mode`, or the SV edit back in its place.
    void showProgramDisplay(bool shown, int mode);
    bool svEditVisible() const;

    // A control by name, nullptr for an unknown one.
    QWidget* control(std::string_view name) const;
    // Tints a control's box with colour and puts tip in its tool tip, where
    // the eye is when a change is made; an invalid colour takes the tint off
    // (the tool tip stays until the next mark).
    void markControl(std::string_view name, const QColor& colour, const QString& tip);

    // ParameterPanelView
    void setListIndex(std::string_view list, int index) override;
    int listIndex(std::string_view list) const override;
    void setListText(std::string_view list, const QString& text) override;
    void setEditText(std::string_view edit, const QString& text) override;
    void setCaption(std::string_view control, const QString& caption) override;
    void setControlVisible(std::string_view control, bool visible) override;
    void setControlEnabled(std::string_view control, bool enabled) override;
    void bringToFront(std::string_view control) override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    struct Layer {
        std::vector<QWidget*> widgets;
    };
    struct Stack {
        std::vector<Layer> layers; // front first
    };
    struct Overlay {
        QWidget* target;
        QWidget* anchor;
    };

    void build();
    QGroupBox* makeBox(std::string_view name, QGridLayout*& grid);
    QWidget* makeLabel(std::string_view controlName);
    QComboBox* makeList(std::string_view name);
    QLineEdit* makeEdit(std::string_view name);
    QWidget* makeOverlay(QWidget* target);
    void addRow(QGridLayout* grid, int row, int col, std::string_view name, QWidget* field,
                int span = 1);
    void registerWidget(QWidget* w);
    void buildStacks();
    void resolve(const Stack& stack);
    Stack* stackOf(const QWidget* w, int* layer = nullptr);
    void placeOverlays();

    std::map<std::string, QWidget*, std::less<>> widgets_;
    std::map<const QWidget*, bool> wanted_; // visibility asked for, members of stacks
    std::vector<Stack> stacks_;
    std::vector<Overlay> overlays_;
    ParameterEditing* editing_ = nullptr;
};

} // namespace zu
