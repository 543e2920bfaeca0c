#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>

class QWidget;

namespace q417 {

// Everything a message box shows.
struct BoxContent {
    QMessageBox::Icon icon = QMessageBox::Warning;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;  // none: Qt picks
    Qt::TextFormat textFormat = Qt::AutoText;
};

// The one path of every message box and question of the windows. Ask shows a modal
// QMessageBox, unless a MessageBoxes has been made a child of the application object: then the
// newest of those answers instead (a test records the boxes and answers them at once).
class MessageBoxes : public QObject {
    Q_OBJECT

  public:
    using QObject::QObject;

    // The button that answers box.
    [[nodiscard]] virtual QMessageBox::StandardButton Show(QWidget* parent,
                                                           const BoxContent& box) = 0;

    // Shows box over parent, modally, and returns the button pressed.
    static QMessageBox::StandardButton Ask(QWidget* parent, const BoxContent& box);
};

}  // namespace q417
