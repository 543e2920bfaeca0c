#pragma once

#include <string>

#include "PressureUnit.h"

namespace q417 {

// What the window follows of the document without asking it again: the modified marker and
// the file name of its title, and the unit the values are shown in. Each call reports a value
// that has just changed, never one that was set again to what it was. Calls come on the window
// thread from inside the document operation that made the change: read, but change nothing.
class DocumentObserver {
  public:
    virtual ~DocumentObserver() = default;

    virtual void DocumentModifiedChanged(bool modified) = 0;
    // path is empty while untitled; title is the file name of path, or "Untitled".
    virtual void DocumentPathChanged(const std::string& path, const std::string& title) = 0;
    virtual void DocumentUnitChanged(PressureUnit unit) = 0;
};

}  // namespace q417
