// Property exchange: one DoPropExchange per control class describes its
// persisted properties once; the exchange object decides whether they are
// loaded, saved or reset, and where to (a property bag or a stream).
#pragma once
#include <windows.h>
#include <ocidl.h>

#include <cstdint>
#include <string>

// The longest text, in characters, a page may give a control (a property it
// sets or a PARAM value): as long as a Windows command line can be. A longer
// one is refused, so that whatever the control keeps also saves and reloads.
constexpr size_t kMaxPropertyText = 32767;

class CPropExchange {
public:
    virtual ~CPropExchange() = default;

    bool IsLoading() const { return m_loading; }
    // The version read by the last ExchangeVersion (or the one being saved).
    DWORD GetVersion() const { return m_version; }
    // False once a load met a damaged or short source; later values keep their defaults.
    bool Succeeded() const { return !m_failed; }
    // True once a loaded text was refused for being longer than kMaxPropertyText;
    // its value took the default.
    bool TextRefused() const { return m_textRefused; }

    // Each exchanges one value under its name; a value that cannot be loaded
    // takes the default. The result tells whether this value was exchanged.
    virtual bool ExchangeText(const char* name, std::string& value, const std::string& defaultValue) = 0;
    virtual bool ExchangeLong(const char* name, int32_t& value, int32_t defaultValue) = 0;
    bool ExchangeVersion(DWORD& version, DWORD defaultVersion);

protected:
    explicit CPropExchange(bool loading) : m_loading(loading) {}
    bool m_loading;
    bool m_failed = false;
    bool m_textRefused = false;
    DWORD m_version = 0;
};

bool PX_String(CPropExchange* px, const char* name, std::string& value, const char* defaultValue = "");
bool PX_Long(CPropExchange* px, const char* name, int32_t& value, int32_t defaultValue);
bool PX_ULong(CPropExchange* px, const char* name, uint32_t& value, uint32_t defaultValue);

// Loads from or saves to an IPropertyBag (a web page's PARAM values). Texts
// travel as BSTRs in UTF-16 and are held in UTF-8. A text over the limit is
// refused (told to the error log, when there is one).
class CPropbagPropExchange : public CPropExchange {
public:
    CPropbagPropExchange(IPropertyBag* bag, IErrorLog* errorLog, bool loading);
    bool ExchangeText(const char* name, std::string& value, const std::string& defaultValue) override;
    bool ExchangeLong(const char* name, int32_t& value, int32_t defaultValue) override;
    HRESULT SaveResult() const { return m_saveResult; }

private:
    bool Read(const char* name, VARTYPE type, VARIANT* out);
    bool Write(const char* name, VARIANT* value);
    void RefuseText(const char* name);
    IPropertyBag* m_bag;
    IErrorLog* m_errorLog;
    HRESULT m_saveResult = S_OK;
};

// Loads from or saves to a stream, in the order of the exchange: numbers as
// 32-bit little-endian values, texts as a 32-bit byte count and the bytes.
// A stream is untrusted input: a short read, or a text a property bag would
// refuse (longer than kMaxPropertyText in UTF-16), fails the load.
class CStreamPropExchange : public CPropExchange {
public:
    // The most bytes kMaxPropertyText characters take in UTF-8.
    static constexpr uint32_t kMaxStreamText = 3 * kMaxPropertyText;
    CStreamPropExchange(IStream* stream, bool loading);
    bool ExchangeText(const char* name, std::string& value, const std::string& defaultValue) override;
    bool ExchangeLong(const char* name, int32_t& value, int32_t defaultValue) override;
    // The first error of a load or save, S_OK when there was none.
    HRESULT Result() const { return m_result; }

private:
    bool ReadBytes(void* data, ULONG size);
    bool WriteBytes(const void* data, ULONG size);
    IStream* m_stream;
    HRESULT m_result = S_OK;
};

// Gives every property its default (a new, reset control).
class CResetPropExchange : public CPropExchange {
public:
    CResetPropExchange() : CPropExchange(true) {}
    bool ExchangeText(const char*, std::string& value, const std::string& defaultValue) override {
        value = defaultValue;
        return true;
    }
    bool ExchangeLong(const char*, int32_t& value, int32_t defaultValue) override {
        value = defaultValue;
        return true;
    }
};
