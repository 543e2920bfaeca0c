#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <vector>

#include "LinkOnSimulator.h"

namespace q417::test {

// Every message box that comes up while this lives, closed with its default button (or press)
// once recorded. Unlike NextBox it may see none, so a test can tell that nothing was shown.
class BoxRecorder {
  public:
    struct Box {
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
    };

    BoxRecorder() {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Check(); });
        timer_.start(10);
    }
    [[nodiscard]] bool WaitFor(std::size_t count) {
        return QTest::qWaitFor([&] { return seen.size() >= count; }, kWaitMs);
    }

    std::vector<Box> seen;
    QMessageBox::StandardButton press = QMessageBox::NoButton;

  private:
    void Check() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) {
            return;
        }
        seen.push_back({box->text(), box->icon()});
        if (press != QMessageBox::NoButton && box->button(press) != nullptr) {
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

}  // namespace q417::test
