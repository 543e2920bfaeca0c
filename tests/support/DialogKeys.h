#pragma once

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace q417::test {

// The names of dialog's own push buttons that key clicks while the control named focus has the
// keyboard focus. The dialog runs modally meanwhile; it, and any window a click opens over it,
// is closed afterwards.
inline QStringList ButtonsClickedBy(QDialog& dialog, const QString& focus, Qt::Key key) {
    QStringList clicked;
    QObject scope;  // the connections end with it
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        QObject::connect(button, &QPushButton::clicked, &scope,
                         [&clicked, button] { clicked << button->objectName(); });
    }
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&dialog] {
        if (auto* other = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            other != nullptr && other != &dialog) {
            other->reject();
        }
    });
    QTimer::singleShot(0, &dialog, [&] {
        // A dialog held by this one may have a control of the same name.
        for (QWidget* control : dialog.findChildren<QWidget*>(focus)) {
            if (control->window() == &dialog && QTest::qWaitForWindowActive(&dialog)) {
                control->setFocus(Qt::TabFocusReason);
                closer.start(10);
                QTest::keyClick(QApplication::focusWidget(), key);
                break;
            }
        }
        if (dialog.isVisible()) {
            dialog.reject();
        }
    });
    dialog.exec();
    return clicked;
}

}  // namespace q417::test
