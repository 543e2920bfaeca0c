#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "LinkOnSimulator.h"

namespace q417::test {

// Every message box that comes up while this lives, as "icon: text", closed with its default
// button (or press) once recorded.
class BoxRecorder {
  public:
    BoxRecorder() {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Check(); });
        timer_.start(10);
    }
    QStringList seen;
    QMessageBox::StandardButton press = QMessageBox::NoButton;

  private:
    void Check() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) {
            return;
        }
        static const char* const kIcons[] = {"none", "information", "warning", "stop", "question"};
        seen << QString::fromLatin1(kIcons[box->icon()]) + QStringLiteral(": ") + box->text();
        if (box->button(press) != nullptr) {
            box->button(press)->click();
        } else {
            box->done(box->standardButton(box->defaultButton()));
        }
    }
    QTimer timer_;
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
