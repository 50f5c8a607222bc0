#pragma once
// Owns one parsed JSON document and frees it when destroyed or when a new
// document replaces it.

#include <nlohmann/json_fwd.hpp>

class CAutoJsonPtr {
public:
    // Takes ownership of `value` (which may be nullptr).
    explicit CAutoJsonPtr(nlohmann::json* value = nullptr) : m_value(value) {}
    virtual ~CAutoJsonPtr();
    CAutoJsonPtr(const CAutoJsonPtr&) = delete;
    CAutoJsonPtr& operator=(const CAutoJsonPtr&) = delete;

    // Takes ownership of `value`. -1 for nullptr; -7 when a document is held
    // and `replace` is false (nothing changes: the caller still owns `value`);
    // 1 owned, the previous document freed. Attaching the document already
    // held keeps it.
    int Attach(nlohmann::json* value, bool replace);
    nlohmann::json* Get() const { return m_value; }

private:
    nlohmann::json* m_value;
};
