#include "MessagePane.h"

#include <QFontMetrics>

namespace q417 {

namespace {

constexpr QLatin1String kReady("Ready");

}  // namespace

MessagePane::MessagePane(QWidget* parent) : QLabel(parent) {
    // Paths and reasons are shown as they are, never taken for markup.
    setTextFormat(Qt::PlainText);
    SetMessage({});
}

void MessagePane::SetMessage(const QString& headline, const QString& more) {
    headline_ = headline.isEmpty() ? kReady : headline;
    whole_ = more.isEmpty() ? headline_ : headline_ + QLatin1Char(' ') + more;
    // As rich text the tooltip wraps, so a long message stays on a small screen.
    setToolTip(headline.isEmpty()
                   ? QString()
                   : QStringLiteral("<p>") + whole_.toHtmlEscaped() + QStringLiteral("</p>"));
    Refit();
}

void MessagePane::SetPrompt(const QString& prompt) {
    prompt_ = prompt;
    Refit();
}

QString MessagePane::Message() const {
    return prompt_.isEmpty() ? whole_ : prompt_;
}

QString MessagePane::Fitted(const QString& headline, const QString& whole, Qt::TextElideMode mode,
                            const QFontMetrics& metrics, int width) {
    // Measured first: elidedText cuts a text that is exactly as wide as the room.
    if (metrics.horizontalAdvance(whole) <= width) {
        return whole;
    }
    if (metrics.horizontalAdvance(headline) <= width) {
        return headline;
    }
    return metrics.elidedText(headline, mode, width);
}

QSize MessagePane::minimumSizeHint() const {
    const QMargins margins = contentsMargins();
    return {
        fontMetrics().horizontalAdvance(kReady) + margins.left() + margins.right() + 2 * margin(),
        fontMetrics().height() + margins.top() + margins.bottom() + 2 * margin()};
}

QSize MessagePane::sizeHint() const {
    return minimumSizeHint();
}

void MessagePane::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    Refit();
}

void MessagePane::Refit() {
    const int width = contentsRect().width() - 2 * margin();
    // A message ends with its reason, so its middle goes first; a prompt reads from the start.
    setText(prompt_.isEmpty() ? Fitted(headline_, whole_, Qt::ElideMiddle, fontMetrics(), width)
                              : Fitted(prompt_, prompt_, Qt::ElideRight, fontMetrics(), width));
}

}  // namespace q417
