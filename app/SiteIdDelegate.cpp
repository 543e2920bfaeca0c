#include "SiteIdDelegate.h"

#include <QLineEdit>

#include "SiteText.h"
#include "SiteTextValidator.h"

namespace q417 {

QWidget* SiteIdDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& /*option*/,
                                      const QModelIndex& /*index*/) const {
    auto* editor = new QLineEdit(parent);
    editor->setObjectName(QStringLiteral("siteIdEditor"));
    editor->setMaxLength(kMaxIdLength);
    editor->setValidator(new SiteTextValidator(kMaxIdLength, editor));
    editor->setFrame(false);
    return editor;
}

}  // namespace q417
