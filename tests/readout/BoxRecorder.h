#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "LinkOnSimulator.h"
#include "MessageBoxes.h"

namespace q417::test {

// Every message box that comes up while this lives, as "icon: text", answered at once with
// press when the box has it, else with its default button. The windows' boxes come here
// instead of to the screen.
class BoxRecorder : public MessageBoxes {
  public:
    BoxRecorder() : MessageBoxes(QCoreApplication::instance()) {}
    QStringList seen;
    QMessageBox::StandardButton press = QMessageBox::NoButton;

    QMessageBox::StandardButton Show(QWidget* /*parent*/, const BoxContent& box) override {
        static const char* const kIcons[] = {"none", "information", "warning", "stop", "question"};
        seen << QString::fromLatin1(kIcons[box.icon]) + QStringLiteral(": ") + box.text;
        if (press != QMessageBox::NoButton && box.buttons.testFlag(press)) {
            return press;
        }
        return box.defaultButton;
    }
};

// Runs dialog modally, doing actions once it is up and closing it afterwards, so a failed
// check inside never leaves the loop open.
template <class Dialog, class Actions>
int RunModal(Dialog& dialog, Actions actions) {
    QTimer::singleShot(0, &dialog, [&] {
        actions();
        dialog.reject();
    });
    return dialog.exec();
}

// The names of the widgets Tab visits, from the one with the focus.
inline QStringList TabChain(QWidget& dialog) {
    QStringList names;
    QWidget* const first = dialog.focusWidget();
    for (QWidget* w = first; w != nullptr && names.size() < 20;) {
        // An editable combo box's own line edit has no name and stands for the box.
        if ((w->focusPolicy() & Qt::TabFocus) && !w->objectName().isEmpty()) {
            names << w->objectName();
        }
        w = w->nextInFocusChain();
        if (w == first) {
            break;
        }
    }
    return names;
}

template <class T>
T& Child(QWidget& dialog, const char* name) {
    return *dialog.findChild<T*>(QString::fromLatin1(name));
}

}  // namespace q417::test
