// Owners of GDI objects: fonts, brushes and bitmaps are deleted with their owner.
#pragma once
#include <windows.h>

class CGdiObject {
public:
    CGdiObject() = default;
    virtual ~CGdiObject() { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    HGDIOBJ m_hObject = nullptr;
    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    BOOL DeleteObject();
    // GDI objects the framework holds right now, over the whole process; long
    // runs watch it, since GetGuiResources is not answered everywhere.
    static long LiveCount();

protected:
    // Takes ownership; a previous object is deleted first.
    BOOL Attach(HGDIOBJ object);
};

class CFont : public CGdiObject {
public:
    // CreateFontW with the same parameters (the face name in UTF-8); false (and
    // no font) when GDI refuses.
    BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic,
                    BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision,
                    BYTE quality, BYTE pitchAndFamily, const char* faceName);
    BOOL CreateFontIndirect(const LOGFONTW& font);
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }
};

class CBrush : public CGdiObject {
public:
    BOOL CreateSolidBrush(COLORREF colour);
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
};

class CBitmap : public CGdiObject {
public:
    // Takes ownership of a bitmap made elsewhere (one a control loaded, say).
    BOOL Adopt(HBITMAP bitmap) { return Attach(bitmap); }
    // From the resource module (AfxGetResourceHandle).
    BOOL LoadBitmap(UINT resourceId);
    // Width and height in pixels; (0, 0) without a bitmap.
    SIZE GetSize() const;
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
};
