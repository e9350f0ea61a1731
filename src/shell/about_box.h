#pragma once
// The about box: logo, product lines, version, and any problems found in the
// port map file.
#include <QDialog>
#include <QStringList>

namespace zu {

class TABOUT : public QDialog {
    Q_OBJECT
  public:
    explicit TABOUT(const QStringList& portMapProblems = {}, QWidget* parent = nullptr);

    void FormShow();

    // Laid out for this width; shown wider, the contents scale with it.
    static constexpr int DesignWidth = 282;

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    bool shown_ = false;
};

} // namespace zu
