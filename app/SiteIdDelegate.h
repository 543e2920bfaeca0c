#pragma once

#include <QStyledItemDelegate>

namespace q417 {

// The in-place editor of the ID column: at most 20 characters, none that would split or end
// the site's line in the comma-separated files.
class SiteIdDelegate : public QStyledItemDelegate {
    Q_OBJECT

  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
};

}  // namespace q417
