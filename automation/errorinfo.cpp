#include "automation/errorinfo.h"

#include <new>
#include <stdexcept>

#include "automation/bstr.h"
#include "automation/failure.h"

namespace automation {

namespace {
thread_local std::optional<ErrorRecord> t_record;
thread_local std::optional<CallNote> t_note;
}

void SetCallNote(CallNote note) { t_note = std::move(note); }

std::optional<CallNote> TakeCallNote() { return std::exchange(t_note, std::nullopt); }

void SetErrorInfo(ErrorRecord record) { t_record = std::move(record); }

std::optional<ErrorRecord> TakeErrorInfo() { return std::exchange(t_record, std::nullopt); }

const std::optional<ErrorRecord>& PeekErrorInfo() { return t_record; }

HRESULT ReportCurrentException(const FailureSite& site) {
    HRESULT hr = E_UNEXPECTED;
    std::optional<std::u16string> description;
    try {
        throw;
    } catch (const StatusError& e) {
        hr = e.code();
        if (!e.description().empty()) description = Utf8ToUtf16(e.description());
    } catch (const BareFailure& e) {
        hr = BareNumberStatus(e.number);
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
        description = u"Out of memory";
    } catch (const std::invalid_argument& e) {
        hr = E_INVALIDARG;
        if (*e.what() != '\0') description = Utf8ToUtf16(e.what());
    } catch (const std::exception& e) {
        hr = E_FAIL;
        description = Utf8ToUtf16(e.what());
    } catch (...) {
        hr = E_UNEXPECTED;
        description = u"Unexpected failure";
    }
    SetErrorInfo(ErrorRecord{site.clsid, site.iid, site.source ? site.source : "", std::move(description)});
    return hr;
}

void FillExcepInfo(ExcepInfo* excep, HRESULT hr) {
    if (!excep) return;
    auto record = TakeErrorInfo();
    *excep = ExcepInfo{};
    excep->scode = hr;
    if (!record) return;
    excep->source = record->source;
    excep->clsid = record->clsid;
    excep->iid = record->iid;
    if (record->description) {
        excep->description = *record->description;
        excep->hasDescription = true;
    }
}

}  // namespace automation
