#pragma once

#include <QObject>
#include <QPointer>

#include "LinkDispatcher.h"

namespace q417 {

// A window's place among the link's requesters: the id its jobs are submitted with. The
// registration is made at the first Id() and withdrawn by Withdraw() or with this object, so a
// window that closes while its job is queued or running never receives that job's result.
// Window thread only.
class LinkRequester {
  public:
    LinkRequester(LinkDispatcher& dispatcher, QObject* window, LinkDispatcher::Handler handler);
    ~LinkRequester();

    LinkRequester(const LinkRequester&) = delete;
    LinkRequester& operator=(const LinkRequester&) = delete;

    // The id to submit a job with; registers afresh after a Withdraw.
    [[nodiscard]] RequesterId Id();
    // Results of jobs submitted so far are dropped from now on.
    void Withdraw();

  private:
    LinkDispatcher& dispatcher_;
    QPointer<QObject> window_;
    LinkDispatcher::Handler handler_;
    RequesterId id_ = 0;
};

}  // namespace q417
