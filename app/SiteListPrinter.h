#pragma once
// SCAFFOLD: replaced by the printing branch.
#include <QAbstractItemModel>
#include <QPrinter>
namespace q417 {
class SiteListPrinter {
  public:
    SiteListPrinter(const QAbstractItemModel&, QString) {}
    bool Print(QPrinter&) const { return false; }
};
}
