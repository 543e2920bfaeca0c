#include "LinkDispatcher.h"

#include <QCoreApplication>
#include <QEvent>

namespace q417 {

namespace {

// One posted message. QCoreApplication::postEvent is safe from any thread and only appends
// to the receiver thread's queue.
class LinkMessageEvent : public QEvent {
  public:
    static QEvent::Type TypeId() {
        static const int type = QEvent::registerEventType();
        return static_cast<QEvent::Type>(type);
    }
    explicit LinkMessageEvent(const LinkMessage& posted) : QEvent(TypeId()), message(posted) {}

    const LinkMessage message;
};

}  // namespace

LinkDispatcher::LinkDispatcher(QObject* parent) : QObject(parent) {
    LinkMessageEvent::TypeId();  // registered on the window thread before the worker posts
}

void LinkDispatcher::Post(const LinkMessage& message) {
    QCoreApplication::postEvent(this, new LinkMessageEvent(message));
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
    QCoreApplication::sendPostedEvents(this, LinkMessageEvent::TypeId());
}

bool LinkDispatcher::event(QEvent* event) {
    if (event->type() == LinkMessageEvent::TypeId()) {
        Deliver(static_cast<LinkMessageEvent*>(event)->message);
        return true;
    }
    return QObject::event(event);
}

const LinkDispatcher::Target* LinkDispatcher::TargetOf(const LinkMessage& message) const {
    switch (message.target) {
        case LinkTarget::StatusWindow:
            return &status_;
        case LinkTarget::ViewWindow:
            return &view_;
        case LinkTarget::Requester: {
            const auto found = requesters_.find(message.requester);
            return found == requesters_.end() ? nullptr : &found->second;
        }
    }
    return nullptr;
}

void LinkDispatcher::Deliver(const LinkMessage& message) {
    const Target* target = TargetOf(message);
    if (target == nullptr || target->window.isNull() || !target->handler) {
        ++dropped_;
        return;
    }
    ++delivered_;
    // A copy: the handler may replace or withdraw its own entry.
    const Handler handler = target->handler;
    handler(message);
}

}  // namespace q417
