#include "AppResources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE declares the resource's init function, which rcc generates in the global
// namespace, so it must be expanded outside namespace q417.
static void InitQ417HostResource() {
    Q_INIT_RESOURCE(q417host);
}

namespace q417 {

void InitAppResources() {
    InitQ417HostResource();
}

}  // namespace q417
