// The per-thread error record and call note, and the boundary that turns exceptions into status codes.
#pragma once

#include <optional>
#include <string>

#include "automation/guid.h"
#include "automation/status.h"
#include "automation/unknown.h"

namespace automation {

struct ErrorRecord {
    CLSID clsid{};
    IID iid{};
    std::string source;
    std::optional<std::u16string> description;
};

void SetErrorInfo(ErrorRecord record);
// Takes the calling thread's record, leaving the slot empty.
std::optional<ErrorRecord> TakeErrorInfo();
const std::optional<ErrorRecord>& PeekErrorInfo();

// The calling thread's note for its current call, beside the error record: a method that has
// something to say about a successful result sets it; Invoke hands it to the caller's ExcepInfo
// and a new call starts without one.
void SetCallNote(CallNote note);
// Takes the calling thread's note, leaving the slot empty.
std::optional<CallNote> TakeCallNote();

// Who is failing: the class and interface an error record names.
struct FailureSite {
    CLSID clsid;
    IID iid;
    const char* source;  // the class's ProgID
};

// Call from inside a catch block: classifies the current exception, sets the thread's error
// record for `site` and returns the status code the method hands back.
HRESULT ReportCurrentException(const FailureSite& site);

// Moves the thread's record into a caller's ExcepInfo (when given) for status `hr`.
void FillExcepInfo(ExcepInfo* excep, HRESULT hr);

}  // namespace automation
