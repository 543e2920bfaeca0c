#include "LinkDispatcher.h"

#include <QCoreApplication>
#include <QEvent>

namespace q417 {

namespace {

// One posted link event. QCoreApplication::postEvent is safe from any thread and only appends
// to the receiver thread's queue.
class PostedLinkEvent : public QEvent {
  public:
    static QEvent::Type TypeId() {
        static const int type = QEvent::registerEventType();
        return static_cast<QEvent::Type>(type);
    }
    explicit PostedLinkEvent(const LinkEvent& posted) : QEvent(TypeId()), link(posted) {}

    const LinkEvent link;
};

}  // namespace

LinkDispatcher::LinkDispatcher(QObject* parent) : QObject(parent) {
    PostedLinkEvent::TypeId();  // registered on the window thread before the worker posts
}

void LinkDispatcher::Post(const LinkEvent& event) {
    QCoreApplication::postEvent(this, new PostedLinkEvent(event));
}

void LinkDispatcher::SetStatusWindow(QObject* window, Handler handler) {
    status_ = {window, std::move(handler)};
}

void LinkDispatcher::SetViewWindow(QObject* window, Handler handler) {
    view_ = {window, std::move(handler)};
}

RequesterId LinkDispatcher::AddRequester(QObject* window, Handler handler) {
    const RequesterId id = nextRequester_++;
    requesters_[id] = {window, std::move(handler)};
    return id;
}

void LinkDispatcher::WithdrawRequester(RequesterId id) {
    requesters_.erase(id);
}

void LinkDispatcher::DeliverPosted() {
    QCoreApplication::sendPostedEvents(this, PostedLinkEvent::TypeId());
}

bool LinkDispatcher::event(QEvent* event) {
    if (event->type() == PostedLinkEvent::TypeId()) {
        Deliver(static_cast<PostedLinkEvent*>(event)->link);
        return true;
    }
    return QObject::event(event);
}

void LinkDispatcher::Deliver(const LinkEvent& event) {
    if (event.requester != 0) {
        const auto found = requesters_.find(event.requester);
        if (found == requesters_.end() || !DeliverTo(found->second, event)) {
            ++dropped_;
        }
        return;
    }
    // Copies: a handler may replace the other's entry.
    const Target status = status_;
    const Target view = view_;
    const bool toStatus = DeliverTo(status, event);
    const bool toView = DeliverTo(view, event);
    if (!toStatus && !toView) {
        ++dropped_;
    }
}

bool LinkDispatcher::DeliverTo(const Target& target, const LinkEvent& event) {
    if (target.window.isNull() || !target.handler) {
        return false;
    }
    ++delivered_;
    // A copy: the handler may replace or withdraw its own entry.
    const Handler handler = target.handler;
    handler(event);
    return true;
}

}  // namespace q417
