#pragma once

#include <QObject>

namespace q417 {

// Whether the window is in the middle of something that waits for the user (a question, a
// dialog, a file chooser) or of a document operation. Their nested event loops deliver the
// link's messages; what would start another operation waits until the window is idle again.
class UiActivity : public QObject {
    Q_OBJECT

  public:
    // Marks the window busy for its lifetime.
    class Scope {
      public:
        explicit Scope(UiActivity& activity);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

      private:
        UiActivity& activity_;
    };

    using QObject::QObject;

    [[nodiscard]] bool Busy() const { return depth_ > 0; }

  Q_SIGNALS:
    // The last scope has ended; delivered from the event loop, not from inside the scope's end.
    void idle();

  private:
    int depth_ = 0;  // window thread only
};

}  // namespace q417
