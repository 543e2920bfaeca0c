#pragma once

#include <QDialog>
#include <QSize>

class QSpinBox;

namespace q417 {

// Asks how large an exported picture is to be: width and height in pixels (points for a PDF).
class ExportSizeDialog : public QDialog {
    Q_OBJECT

  public:
    explicit ExportSizeDialog(QSize size, QWidget* parent = nullptr);

    [[nodiscard]] QSize Size() const;

  private:
    QSpinBox* width_;
    QSpinBox* height_;
};

}  // namespace q417
