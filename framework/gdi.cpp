#include "gdi.h"

#include <atomic>

#include "app.h"
#include "text_conversion.h"

namespace {
std::atomic<long> g_live{0};
}  // namespace

long CGdiObject::LiveCount() { return g_live.load(); }

BOOL CGdiObject::DeleteObject() {
    if (!m_hObject) return FALSE;
    const BOOL ok = ::DeleteObject(m_hObject);
    m_hObject = nullptr;
    --g_live;
    return ok;
}

BOOL CGdiObject::Attach(HGDIOBJ object) {
    DeleteObject();
    m_hObject = object;
    if (object) ++g_live;
    return object != nullptr;
}

BOOL CFont::CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic,
                       BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision,
                       BYTE quality, BYTE pitchAndFamily, const char* faceName) {
    return Attach(::CreateFontW(height, width, escapement, orientation, weight, italic, underline, strikeOut,
                                charSet, outPrecision, clipPrecision, quality, pitchAndFamily,
                                WideFromUtf8(faceName ? faceName : "").c_str()));
}

BOOL CFont::CreateFontIndirect(const LOGFONTW& font) { return Attach(::CreateFontIndirectW(&font)); }

BOOL CBrush::CreateSolidBrush(COLORREF colour) { return Attach(::CreateSolidBrush(colour)); }

BOOL CBitmap::LoadBitmap(UINT resourceId) {
    return Attach(::LoadBitmapW(AfxGetResourceHandle(), MAKEINTRESOURCEW(resourceId)));
}

SIZE CBitmap::GetSize() const {
    BITMAP info{};
    if (!m_hObject || !::GetObjectA(m_hObject, sizeof info, &info)) return SIZE{0, 0};
    return SIZE{info.bmWidth, info.bmHeight};
}
