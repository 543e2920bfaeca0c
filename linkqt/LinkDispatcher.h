#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <map>

#include "LinkEvent.h"

namespace q417 {

// Carries the link worker's events to the window thread and hands each to its windows: an event
// for every window goes to the main frame, then to the site view; one for a requester only to
// the window that submitted the job. Post only queues for the window thread's loop (never
// waits). An event whose window has gone, or whose requester was withdrawn, is dropped.
class LinkDispatcher : public QObject, public LinkSink {
    Q_OBJECT

  public:
    using Handler = std::function<void(const LinkEvent&)>;

    explicit LinkDispatcher(QObject* parent = nullptr);

    // Worker thread.
    void Post(const LinkEvent& event) override;

    // Window thread. The handlers run only while their window exists.
    void SetStatusWindow(QObject* window, Handler handler);
    void SetViewWindow(QObject* window, Handler handler);
    // A window that submits jobs: the id to submit them with. Its results reach handler until
    // the window is destroyed or withdrawn.
    [[nodiscard]] RequesterId AddRequester(QObject* window, Handler handler);
    void WithdrawRequester(RequesterId id);
    // Hands out now, in order, the events posted and not yet delivered: after the link has
    // stopped, everything it said before it stopped.
    void DeliverPosted();

    // How many times an event was handed to a window, and how many events reached none (for
    // tests).
    [[nodiscard]] int Delivered() const { return delivered_; }
    [[nodiscard]] int Dropped() const { return dropped_; }

  protected:
    bool event(QEvent* event) override;

  private:
    struct Target {
        QPointer<QObject> window;
        Handler handler;
    };

    void Deliver(const LinkEvent& event);
    // Hands event to target; false when its window has gone.
    bool DeliverTo(const Target& target, const LinkEvent& event);

    // Window thread only, like every member below.
    Target status_;
    Target view_;
    std::map<RequesterId, Target> requesters_;
    RequesterId nextRequester_ = 1;
    int delivered_ = 0;
    int dropped_ = 0;
};

}  // namespace q417
