#include "PlotLoader.h"

#include <QtConcurrent>

namespace q417 {

PlotLoader::PlotLoader(QObject* parent) : QObject(parent) {
    connect(&watcher_, &QFutureWatcher<PlotData>::finished, this, &PlotLoader::OnFinished);
}

// A read still running finishes on its thread; its result is dropped with the watcher.
PlotLoader::~PlotLoader() = default;

void PlotLoader::Load(PlotRequest request) {
    if (running_) {
        pending_ = std::move(request);
        return;
    }
    Start(std::move(request));
}

void PlotLoader::Start(PlotRequest request) {
    running_ = true;
    // The request is copied into the task: the thread shares nothing with the window.
    watcher_.setFuture(QtConcurrent::run(
        [request = std::move(request)] { return PlotPreparation::Prepare(request); }));
}

void PlotLoader::OnFinished() {
    running_ = false;
    if (pending_) {
        // Overtaken while it was read: the newest request is what the window wants.
        PlotRequest next = std::move(*pending_);
        pending_.reset();
        Start(std::move(next));
        return;
    }
    Q_EMIT loaded(std::make_shared<const PlotData>(watcher_.result()));
}

}  // namespace q417
