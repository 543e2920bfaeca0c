#include "CHyperLink.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "HostMessage.h"
#include "LinkLaunch.h"

namespace q417 {

namespace {

// Room around the text for the dotted focus frame.
constexpr int kFocusMargin = 2;

}  // namespace

CHyperLink::CHyperLink(QWidget* parent)
    : QLabel(parent),
      launcher_([](const QString& text) { return LaunchTarget(text, SystemLaunchOps()); }) {
    // An address must never be taken for rich text.
    setTextFormat(Qt::PlainText);
    setMargin(kFocusMargin);
    // Reached by Tab; a click gives the focus only under LinkFocusOnClick.
    setFocusPolicy(Qt::TabFocus);
}

void CHyperLink::Attach() {
    if (target.isEmpty()) {
        target = text();
    }
    if (text().isEmpty()) {
        setText(target);
    }
    ApplyLinkFont();
    FitToText();
    if ((styleFlags & LinkNoHandCursor) == 0) {
        setCursor(Qt::PointingHandCursor);
    }
    setToolTip(target);
}

bool CHyperLink::ChangeStyle(std::uint32_t remove, std::uint32_t add, bool apply) {
    if ((remove & add) != 0) {
        return false;
    }
    styleFlags = (styleFlags & ~remove) | add;
    if (apply) {
        if (((add | remove) & LinkUnderline) != 0) {
            ApplyLinkFont();
            FitToText();
        }
        if ((add & LinkFitToText) != 0) {
            FitToText();
        }
        if ((remove & LinkHoverColour) != 0) {
            update();
        }
    }
    return true;
}

void CHyperLink::ApplyLinkFont() {
    linkFont = font();
    linkFont.setUnderline((styleFlags & LinkUnderline) != 0);
    setFont(linkFont);
    update();
}

void CHyperLink::FitToText() {
    if ((styleFlags & LinkFitToText) == 0) {
        return;
    }
    const QRect inner = contentsRect();
    const int borderWidth = width() - inner.width() + 2 * margin();
    const int borderHeight = height() - inner.height() + 2 * margin();
    const QSize textSize = QFontMetrics(linkFont).size(0, text());
    QRect r = geometry();
    r.setSize(r.size() - QSize(borderWidth, borderHeight));

    const Qt::Alignment align = alignment();
    if ((align & Qt::AlignVCenter) != 0) {
        const int shrink = (r.height() - textSize.height()) / 2;
        r.adjust(0, shrink, 0, -shrink);
    } else {
        r.setHeight(textSize.height());
    }
    if ((align & Qt::AlignHCenter) != 0) {
        const int shrink = (r.width() - textSize.width()) / 2;
        r.adjust(shrink, 0, -shrink, 0);
    } else if ((align & Qt::AlignRight) != 0) {
        r.setLeft(r.left() + r.width() - textSize.width());
    } else {
        r.setWidth(textSize.width());
    }
    // Fixed, so a layout keeps the control, and so its clickable area, to the text.
    setFixedSize(r.width() + borderWidth, r.height() + borderHeight);
    move(r.topLeft());
    update();
}

QColor CHyperLink::PickColour() const {
    if (hovering != 0 && (styleFlags & LinkHoverColour) != 0) {
        return QColor(kHoverColour);
    }
    if (active != 0 && (styleFlags & LinkNoActiveColour) == 0) {
        return QColor(kActiveColour);
    }
    return QColor(visited != 0 ? kVisitedColour : kLinkColour);
}

void CHyperLink::OpenLink() {
    const int result = launcher_(target);
    if (result > 32) {
        visited = 1;
        update();
        return;
    }
    QApplication::beep();
    ShowLinkError(result);
}

void CHyperLink::ShowLinkError(int code) {
    ShowHostMessage(this, QStringLiteral("Can't open link:\n\n") + LinkErrorText(code),
                    BoxIcon::Exclamation);
}

void CHyperLink::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QColor colour = PickColour();
    const QRect inner = contentsRect();
    painter.setFont(font());
    painter.setPen(colour);
    painter.drawText(inner.adjusted(margin(), margin(), -margin(), -margin()), int(alignment()),
                     text());
    if (hasFocus()) {
        painter.setPen(QPen(colour, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(inner.adjusted(0, 0, -1, -1));
    }
}

void CHyperLink::enterEvent(QEnterEvent* event) {
    hovering = 1;
    update();
    QLabel::enterEvent(event);
}

void CHyperLink::leaveEvent(QEvent* event) {
    hovering = 0;
    update();
    QLabel::leaveEvent(event);
}

void CHyperLink::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QLabel::mousePressEvent(event);
        return;
    }
    if ((styleFlags & LinkFocusOnClick) != 0) {
        setFocus(Qt::MouseFocusReason);
    }
    if ((styleFlags & LinkFollowOnPress) != 0) {
        OpenLink();
    }
    active = 1;
    update();
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QLabel::mouseReleaseEvent(event);
        return;
    }
    if (active != 0 && (styleFlags & LinkFollowOnPress) == 0) {
        OpenLink();
    }
}

void CHyperLink::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space) {
        OpenLink();
        return;
    }
    QLabel::keyPressEvent(event);
}

void CHyperLink::focusInEvent(QFocusEvent* event) {
    active = 1;
    update();
    QLabel::focusInEvent(event);
}

void CHyperLink::focusOutEvent(QFocusEvent* event) {
    hovering = 0;
    active = 0;
    update();
    QLabel::focusOutEvent(event);
}

}  // namespace q417
