#include "FirstWindowSize.h"

namespace q417 {

QSize FirstWindowSize(const QSize& preferred, const QRect& available, const QMargins& frame) {
    const QSize room = available.marginsRemoved(frame).size();
    return preferred.boundedTo(room).expandedTo(QSize(1, 1));
}

}  // namespace q417
