#pragma once

#include <QObject>

class QWidget;

namespace q417 {

// Lets Enter in an editable combo box reach the dialog's default button, as it does from a line
// edit. Qt's inline completion otherwise takes Enter whenever the box's text is selected, which
// it is as soon as the box gets the focus, so Enter would do nothing there. A completion shown
// is kept: only the selection is dropped before the key is handled.
class ComboEnterFilter : public QObject {
    Q_OBJECT

  public:
    // On every editable combo box of form's own window, now.
    static void InstallOn(QWidget& form);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    using QObject::QObject;
};

}  // namespace q417
