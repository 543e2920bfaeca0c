#pragma once

#include <QLabel>
#include <QString>

class QFontMetrics;

namespace q417 {

// The status bar's message pane. It shows "Ready" or what the window has to say while idle, and
// in the same place the prompt of the menu item or button under the pointer, so both start at
// the same spot. A message too long for the pane shows its headline alone, cut in the middle
// with "..." when even that does not fit; the tooltip always holds the whole message.
class MessagePane : public QLabel {
    Q_OBJECT

  public:
    explicit MessagePane(QWidget* parent = nullptr);

    // The idle message: a headline and, after it, more that may go to the tooltip. An empty
    // headline is "Ready".
    void SetMessage(const QString& headline, const QString& more = {});
    // The prompt of what is under the pointer; an empty prompt brings the idle message back.
    void SetPrompt(const QString& prompt);

    // What the pane says, whole: the prompt while one is up, else the idle message.
    [[nodiscard]] QString Message() const;
    // The part of it the pane shows at its present width.
    [[nodiscard]] QString ShownText() const { return text(); }

    // What `width` pixels show of a message: all of it when it fits, else its headline, cut
    // with "..." (where `mode` says) when that is still too wide.
    [[nodiscard]] static QString Fitted(const QString& headline, const QString& whole,
                                        Qt::TextElideMode mode, const QFontMetrics& metrics,
                                        int width);

    // Narrow: a long message never widens the window, it is fitted to the room there is.
    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Refit();

    QString headline_;
    QString whole_;
    QString prompt_;
};

}  // namespace q417
