#include "CReadoutLink.h"

#include <utility>

#include "InterruptibleClock.h"
#include "InterruptibleLine.h"
#include "LinkWorker.h"

namespace q417 {

CReadoutLink::CReadoutLink(SerialLine& line, Clock& clock) : line_(line), clock_(clock) {}

CReadoutLink::~CReadoutLink() {
    Stop();
}

void CReadoutLink::Start(LinkSink& sink) {
    if (running_.load()) {
        return;
    }
    shared_.stopRequest.store(false);
    shared_.portFailure.Set({});
    shared_.stoppedUpload.Set(std::nullopt);
    sink_.Attach(&sink);
    shared_.jobs.Open();
    running_.store(true);
    worker_ = std::thread([this] { Run(); });
}

void CReadoutLink::Stop() {
    if (!running_.load()) {
        return;
    }
    sink_.Detach();
    // The stop request first: closing the slot ends an idle pause, and the turn after it is to
    // stop, not to poll.
    shared_.stopRequest.store(true);
    shared_.jobs.Close();
    worker_.join();
    shared_.settings.Update([](ReadoutSettings& s) { s.records.reset(); });
    running_.store(false);
}

bool CReadoutLink::SubmitJob(int code, RequesterId requester) {
    if (code == JOB_UPLOAD) {
        return false;  // an upload without its records would write whatever the image holds
    }
    LinkJob job;
    job.code = code;
    job.requester = requester;
    return shared_.jobs.Submit(std::move(job));
}

bool CReadoutLink::SubmitSettingsWrite(RequesterId requester, const SettingsChange& change) {
    LinkJob job;
    job.code = JOB_WRITE_SETTINGS;
    job.requester = requester;
    job.request = change.Request();
    job.flags = change.Flags();
    return shared_.jobs.Submit(std::move(job));
}

bool CReadoutLink::SubmitUpload(RequesterId requester, UploadPlan plan) {
    LinkJob job;
    job.code = JOB_UPLOAD;
    job.requester = requester;
    job.upload = std::move(plan);
    return shared_.jobs.Submit(std::move(job));
}

void CReadoutLink::Run() {
    // The worker sees the line and the clock through the stop request, so no wait outlasts it.
    InterruptibleLine line(line_, shared_.stopRequest);
    InterruptibleClock clock(clock_, shared_.stopRequest);
    {
        LinkWorker worker(shared_, line, clock, sink_);
        while (worker.Turn()) {
        }
    }
    // The interrupted line looks closed once stopped, so the real port is closed here.
    if (line_.PortIsOpen()) {
        line_.PortClose();
    }
}

}  // namespace q417
