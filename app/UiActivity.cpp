#include "UiActivity.h"

#include <QMetaObject>

namespace q417 {

UiActivity::Scope::Scope(UiActivity& activity) : activity_(activity) {
    ++activity_.depth_;
}

UiActivity::Scope::~Scope() {
    if (--activity_.depth_ == 0) {
        // Queued, so whatever waited runs after the operation that just ended has unwound.
        QMetaObject::invokeMethod(
            &activity_,
            [activity = &activity_] {
                if (!activity->Busy()) {
                    Q_EMIT activity->idle();
                }
            },
            Qt::QueuedConnection);
    }
}

}  // namespace q417
