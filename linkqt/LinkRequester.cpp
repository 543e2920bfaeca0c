#include "LinkRequester.h"

namespace q417 {

LinkRequester::LinkRequester(LinkDispatcher& dispatcher, QObject* window,
                             LinkDispatcher::Handler handler)
    : dispatcher_(dispatcher), window_(window), handler_(std::move(handler)) {}

LinkRequester::~LinkRequester() {
    Withdraw();
}

RequesterId LinkRequester::Id() {
    if (id_ == 0) {
        id_ = dispatcher_.AddRequester(window_, handler_);
    }
    return id_;
}

void LinkRequester::Withdraw() {
    if (id_ != 0) {
        dispatcher_.WithdrawRequester(id_);
        id_ = 0;
    }
}

}  // namespace q417
