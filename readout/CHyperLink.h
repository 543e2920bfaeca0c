#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QString>
#include <cstdint>
#include <functional>

namespace q417 {

// A static text made a link: drawn in link colours, optionally underlined, with a hand cursor
// and its target as tooltip; a click or the space key opens the target.
class CHyperLink : public QLabel {
    Q_OBJECT

  public:
    static constexpr std::uint32_t LinkUnderline = 0x01;
    static constexpr std::uint32_t LinkHoverColour = 0x02;
    static constexpr std::uint32_t LinkFitToText = 0x04;
    static constexpr std::uint32_t LinkFollowOnPress = 0x08;
    static constexpr std::uint32_t LinkFocusOnClick = 0x10;
    static constexpr std::uint32_t LinkNoHandCursor = 0x20;
    static constexpr std::uint32_t LinkNoActiveColour = 0x40;

    static constexpr QRgb kLinkColour = qRgb(0, 0, 255);
    static constexpr QRgb kActiveColour = qRgb(0, 128, 128);
    static constexpr QRgb kVisitedColour = qRgb(128, 0, 128);
    static constexpr QRgb kHoverColour = qRgb(255, 0, 0);

    // Opens a target; the result is above 32 on success, else a code of the error table.
    using Launcher = std::function<int(const QString& target)>;

    explicit CHyperLink(QWidget* parent = nullptr);

    // Takes the control over once its text is in place (the dialog calls it after building).
    void Attach();
    // False, and nothing changed, when remove and add share a bit.
    bool ChangeStyle(std::uint32_t remove, std::uint32_t add, bool apply);
    void FitToText();
    [[nodiscard]] QColor PickColour() const;
    void OpenLink();
    void ShowLinkError(int code);
    // Tests open through a fake; the control opens through the desktop otherwise.
    void SetLauncher(Launcher launcher) { launcher_ = std::move(launcher); }

    int active = 0;    // clicked or focused; cleared when the focus goes
    int hovering = 0;  // the mouse is over the control
    int visited = 0;   // the target was opened at least once
    std::uint32_t styleFlags = LinkUnderline | LinkFitToText | LinkFocusOnClick;
    QString target;
    QFont linkFont;  // the tooltip is the widget's own, showing target

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void ApplyLinkFont();

    Launcher launcher_;
};

}  // namespace q417
