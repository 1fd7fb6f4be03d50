#include "prop_exchange.h"

#include <cstring>

#include "ole_text.h"

namespace {
// Whether a text is one a page may give the control, whichever path it comes
// by. No text has more UTF-16 characters than UTF-8 bytes.
bool WithinTextLimit(const std::string& utf8) {
    return utf8.size() <= kMaxPropertyText || WideFromUtf8(utf8).size() <= kMaxPropertyText;
}
}  // namespace

bool CPropExchange::ExchangeVersion(DWORD& version, DWORD defaultVersion) {
    int32_t value = static_cast<int32_t>(m_loading ? defaultVersion : version);
    const bool ok = ExchangeLong("_Version", value, static_cast<int32_t>(defaultVersion));
    version = static_cast<DWORD>(value);
    m_version = version;
    return ok;
}

bool PX_String(CPropExchange* px, const char* name, std::string& value, const char* defaultValue) {
    return px->ExchangeText(name, value, defaultValue ? defaultValue : "");
}

bool PX_Long(CPropExchange* px, const char* name, int32_t& value, int32_t defaultValue) {
    return px->ExchangeLong(name, value, defaultValue);
}

bool PX_ULong(CPropExchange* px, const char* name, uint32_t& value, uint32_t defaultValue) {
    int32_t v = static_cast<int32_t>(value);
    const bool ok = px->ExchangeLong(name, v, static_cast<int32_t>(defaultValue));
    value = static_cast<uint32_t>(v);
    return ok;
}

// --- property bag ---

CPropbagPropExchange::CPropbagPropExchange(IPropertyBag* bag, IErrorLog* errorLog, bool loading)
    : CPropExchange(loading), m_bag(bag), m_errorLog(errorLog) {}

bool CPropbagPropExchange::Read(const char* name, VARTYPE type, VARIANT* out) {
    const std::wstring wideName = WideFromUtf8(name);
    // Zeroed whole, not only its type: a bag that fails leaves it as given,
    // and clearing a text variant frees whatever its pointer holds.
    VARIANT read;
    std::memset(&read, 0, sizeof read);
    V_VT(&read) = type;
    if (FAILED(m_bag->Read(wideName.c_str(), &read, m_errorLog))) {
        ::VariantClear(&read);
        return false;
    }
    // A bag may answer in another type than asked (PARAM values are texts).
    const HRESULT hr = ::VariantChangeType(out, &read, 0, type);
    ::VariantClear(&read);
    return SUCCEEDED(hr);
}

bool CPropbagPropExchange::Write(const char* name, VARIANT* value) {
    const std::wstring wideName = WideFromUtf8(name);
    const HRESULT hr = m_bag->Write(wideName.c_str(), value);
    if (FAILED(hr) && SUCCEEDED(m_saveResult)) m_saveResult = hr;
    return SUCCEEDED(hr);
}

bool CPropbagPropExchange::ExchangeText(const char* name, std::string& value, const std::string& defaultValue) {
    VARIANT v;
    ::VariantInit(&v);
    if (m_loading) {
        const bool read = Read(name, VT_BSTR, &v);
        const bool ok = read && ::SysStringLen(V_BSTR(&v)) <= kMaxPropertyText;
        value = ok ? Utf8FromBstr(V_BSTR(&v)) : defaultValue;
        ::VariantClear(&v);
        if (read && !ok) RefuseText(name);
        return ok;
    }
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = BstrFromUtf8(value);
    if (!V_BSTR(&v) && !value.empty()) {
        if (SUCCEEDED(m_saveResult)) m_saveResult = E_OUTOFMEMORY;
        return false;
    }
    const bool ok = Write(name, &v);
    ::VariantClear(&v);
    return ok;
}

void CPropbagPropExchange::RefuseText(const char* name) {
    m_textRefused = true;
    if (!m_errorLog) return;
    EXCEPINFO error{};
    error.scode = DISP_E_OVERFLOW;
    const std::wstring wideName = WideFromUtf8(name);
    m_errorLog->AddError(wideName.c_str(), &error);
}

bool CPropbagPropExchange::ExchangeLong(const char* name, int32_t& value, int32_t defaultValue) {
    VARIANT v;
    ::VariantInit(&v);
    if (m_loading) {
        const bool ok = Read(name, VT_I4, &v);
        value = ok ? V_I4(&v) : defaultValue;
        ::VariantClear(&v);
        return ok;
    }
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return Write(name, &v);
}

// --- stream ---

CStreamPropExchange::CStreamPropExchange(IStream* stream, bool loading)
    : CPropExchange(loading), m_stream(stream) {}

bool CStreamPropExchange::ReadBytes(void* data, ULONG size) {
    if (m_failed) return false;
    ULONG got = 0;
    const HRESULT hr = m_stream->Read(data, size, &got);
    if (FAILED(hr) || got != size) {
        m_failed = true;
        m_result = FAILED(hr) ? hr : STG_E_READFAULT;
        return false;
    }
    return true;
}

bool CStreamPropExchange::WriteBytes(const void* data, ULONG size) {
    if (m_failed) return false;
    ULONG put = 0;
    const HRESULT hr = m_stream->Write(data, size, &put);
    if (FAILED(hr) || put != size) {
        m_failed = true;
        m_result = FAILED(hr) ? hr : STG_E_WRITEFAULT;
        return false;
    }
    return true;
}

namespace {
void PutLE32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}
uint32_t GetLE32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
}  // namespace

bool CStreamPropExchange::ExchangeLong(const char*, int32_t& value, int32_t defaultValue) {
    uint8_t bytes[4];
    if (m_loading) {
        if (!ReadBytes(bytes, 4)) {
            value = defaultValue;
            return false;
        }
        value = static_cast<int32_t>(GetLE32(bytes));
        return true;
    }
    PutLE32(bytes, static_cast<uint32_t>(value));
    return WriteBytes(bytes, 4);
}

bool CStreamPropExchange::ExchangeText(const char*, std::string& value, const std::string& defaultValue) {
    uint8_t bytes[4];
    if (m_loading) {
        if (!ReadBytes(bytes, 4)) {
            value = defaultValue;
            return false;
        }
        const uint32_t count = GetLE32(bytes);
        if (count > kMaxStreamText) {
            m_failed = true;
            m_result = STG_E_DOCFILECORRUPT;
            value = defaultValue;
            return false;
        }
        std::string text(count, '\0');
        if (count && !ReadBytes(&text[0], count)) {
            value = defaultValue;
            return false;
        }
        if (!WithinTextLimit(text)) {
            m_failed = true;
            m_textRefused = true;
            m_result = STG_E_DOCFILECORRUPT;
            value = defaultValue;
            return false;
        }
        value = std::move(text);
        return true;
    }
    if (!WithinTextLimit(value)) {
        m_failed = true;
        m_result = E_INVALIDARG;
        return false;
    }
    PutLE32(bytes, static_cast<uint32_t>(value.size()));
    return WriteBytes(bytes, 4) && (value.empty() || WriteBytes(value.data(), static_cast<ULONG>(value.size())));
}
