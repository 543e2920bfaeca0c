// The document's questions and messages as the window puts them: every box's look and how its
// buttons answer, through the boxes path the test replaces.

#include <QTest>

#include "MessageBoxes.h"
#include "QtDocumentUser.h"
#include "UiActivity.h"

using namespace q417;

namespace {

// Keeps the last box and answers it with press; notes whether the window was busy meanwhile.
class LastBox : public MessageBoxes {
  public:
    LastBox(UiActivity& activity)
        : MessageBoxes(QCoreApplication::instance()), activity_(activity) {}
    QMessageBox::StandardButton Show(QWidget*, const BoxContent& shown) override {
        box = shown;
        busy = activity_.Busy();
        return press;
    }
    BoxContent box;
    bool busy = false;
    QMessageBox::StandardButton press = QMessageBox::NoButton;

  private:
    UiActivity& activity_;
};

using Buttons = QMessageBox::StandardButtons;

}  // namespace

class QtDocumentUserTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void boxes_data() {
        QTest::addColumn<int>("call");  // 0 save changes, 1 question, 2 message
        QTest::addColumn<int>("detail");
        QTest::addColumn<int>("press");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Buttons>("buttons");
        QTest::addColumn<int>("byEnter");
        QTest::addColumn<int>("answer");

        const Buttons yesNo = QMessageBox::Yes | QMessageBox::No;
        QTest::newRow("save changes, No discards")
            << 0 << 0 << int(QMessageBox::No) << int(QMessageBox::Warning)
            << QStringLiteral("Save changes to sites.ini?") << (yesNo | QMessageBox::Cancel)
            << int(QMessageBox::Yes) << int(SaveChoice::Discard);
        QTest::newRow("save changes, closed cancels")
            << 0 << 0 << int(QMessageBox::NoButton) << int(QMessageBox::Warning)
            << QStringLiteral("Save changes to sites.ini?") << (yesNo | QMessageBox::Cancel)
            << int(QMessageBox::Yes) << int(SaveChoice::Cancel);
        QTest::newRow("upload question")
            << 1 << int(Question::ConfirmUpload) << int(QMessageBox::Yes)
            << int(QMessageBox::Warning) << QStringLiteral("text") << yesNo << int(QMessageBox::Yes)
            << 1;
        QTest::newRow("quit during upload: No by Enter")
            << 1 << int(Question::QuitDuringUpload) << int(QMessageBox::No)
            << int(QMessageBox::Warning) << QStringLiteral("text") << yesNo << int(QMessageBox::No)
            << 0;
        QTest::newRow("error") << 2 << int(MessageIcon::Error) << int(QMessageBox::Ok)
                               << int(QMessageBox::Critical) << QStringLiteral("text")
                               << Buttons(QMessageBox::Ok) << int(QMessageBox::NoButton) << 0;
        QTest::newRow("information") << 2 << int(MessageIcon::Information) << int(QMessageBox::Ok)
                                     << int(QMessageBox::Information) << QStringLiteral("text")
                                     << Buttons(QMessageBox::Ok) << int(QMessageBox::NoButton) << 0;
    }
    void boxes() {
        QFETCH(int, call);
        QFETCH(int, detail);
        QFETCH(int, press);
        UiActivity activity;
        QtDocumentUser user(activity);
        LastBox boxes(activity);
        boxes.press = QMessageBox::StandardButton(press);
        int answer = 0;
        if (call == 0) {
            answer = int(user.AskSaveChanges("sites.ini"));
        } else if (call == 1) {
            answer = user.AskYesNo(Question(detail), "text") ? 1 : 0;
        } else {
            user.ShowMessage("text", MessageIcon(detail));
        }
        QTEST(int(boxes.box.icon), "icon");
        QCOMPARE(boxes.box.title, QStringLiteral("Q417 Host"));
        QTEST(boxes.box.text, "text");
        QTEST(boxes.box.buttons, "buttons");
        QTEST(int(boxes.box.defaultButton), "byEnter");
        QTEST(answer, "answer");
        QVERIFY(boxes.busy);
        QVERIFY(!activity.Busy());
    }
};

QTEST_MAIN(QtDocumentUserTest)
#include "QtDocumentUserTest.moc"
