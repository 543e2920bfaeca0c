#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <memory>
#include <optional>

#include "PlotData.h"
#include "PlotPreparation.h"

namespace q417 {

// Prepares plots on a thread of the pool, one at a time: a request made while one is being read
// waits, and only the newest of those waiting is read next. Results come back on the thread this
// object lives on; a result that a newer request has overtaken is dropped.
class PlotLoader : public QObject {
    Q_OBJECT

  public:
    explicit PlotLoader(QObject* parent = nullptr);
    ~PlotLoader() override;

    void Load(PlotRequest request);
    // A request is being read or waits.
    [[nodiscard]] bool Busy() const { return running_ || pending_.has_value(); }

  Q_SIGNALS:
    void loaded(std::shared_ptr<const q417::PlotData> data);

  private:
    void Start(PlotRequest request);
    void OnFinished();

    QFutureWatcher<PlotData> watcher_;
    bool running_ = false;
    std::optional<PlotRequest> pending_;  // window thread only, as everything here
};

}  // namespace q417
