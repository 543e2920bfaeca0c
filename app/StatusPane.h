#pragma once

#include <QLabel>
#include <QStringList>

namespace q417 {

// A pane of the status bar right of the message pane. It is as wide as its blanks and the widest
// of the texts it is made for, and it widens, never narrows, for a wider text, so neither it nor
// the panes beside it move when its text changes ("100%" after "8%").
class StatusPane : public QLabel {
    Q_OBJECT

  public:
    // blanks: the pane's width in blanks of its font, also its first text.
    StatusPane(int blanks, const QStringList& texts, QWidget* parent = nullptr);

    void SetPaneText(const QString& text);

  private:
    // Wide enough for text, kept from then on.
    void Hold(const QString& text);
};

}  // namespace q417
