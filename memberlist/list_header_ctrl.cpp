#include "list_header_ctrl.h"

#include <commctrl.h>

#include "list_header_geometry.h"
#include "roster_colours.h"

bool CListHeaderCtrl::OnChildNotify(UINT msg, WPARAM, LPARAM l, LRESULT* result) {
    if (msg != WM_DRAWITEM) return false;
    DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(l));
    *result = TRUE;
    return true;
}

int CListHeaderCtrl::ItemCount() const {
    return m_hWnd ? static_cast<int>(::SendMessageA(m_hWnd, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

void CListHeaderCtrl::MakeItemOwnerDrawn(int index) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    if (!::SendMessageW(m_hWnd, HDM_GETITEMW, index, reinterpret_cast<LPARAM>(&item))) return;
    if (item.fmt & HDF_OWNERDRAW) return;
    item.fmt |= HDF_OWNERDRAW;
    ::SendMessageW(m_hWnd, HDM_SETITEMW, index, reinterpret_cast<LPARAM>(&item));
}

void CListHeaderCtrl::MakeItemsOwnerDrawn() {
    const int n = ItemCount();
    for (int i = 0; i < n; ++i) MakeItemOwnerDrawn(i);
}

void CListHeaderCtrl::SetSort(int column, bool ascending) {
    m_sortColumn = column;
    m_sortAscending = ascending;
    if (!m_hWnd) return;
    if (column >= 0 && column < ItemCount()) MakeItemOwnerDrawn(column);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CListHeaderCtrl::DrawItem(const DRAWITEMSTRUCT& dis) {
    HDC dc = dis.hDC;
    const RECT& rc = dis.rcItem;
    HBRUSH background = ::CreateSolidBrush(kStripeColour);
    if (background) {
        ::FillRect(dc, &rc, background);
        ::DeleteObject(background);
    }

    wchar_t text[256] = {};
    HDITEMW item{};
    item.mask = HDI_TEXT;
    item.pszText = text;
    item.cchTextMax = static_cast<int>(sizeof text / sizeof text[0]) - 1;
    ::SendMessageW(m_hWnd, HDM_GETITEMW, dis.itemID, reinterpret_cast<LPARAM>(&item));

    const bool sorted = static_cast<int>(dis.itemID) == m_sortColumn;
    const HeaderRect box{rc.left, rc.top, rc.right, rc.bottom};
    const HeaderRect t = HeaderTextRect(box, (dis.itemState & ODS_SELECTED) != 0, sorted);
    if (t.right > t.left) {
        RECT textRect{t.left, t.top, t.right, t.bottom};
        const int oldMode = ::SetBkMode(dc, TRANSPARENT);
        const COLORREF oldColour = ::SetTextColor(dc, kHeaderTextColour);
        ::DrawTextW(dc, text, -1, &textRect,
                    DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_END_ELLIPSIS | DT_NOPREFIX);
        ::SetTextColor(dc, oldColour);
        ::SetBkMode(dc, oldMode);
    }
    if (!sorted) return;

    const HeaderArrow arrow = HeaderSortArrow(box, m_sortAscending);
    HPEN light = ::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_3DHILIGHT));
    HPEN shadow = ::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_3DSHADOW));
    HGDIOBJ oldPen = ::SelectObject(dc, light);
    auto stroke = [dc](const std::vector<HeaderPoint>& line) {
        if (line.empty()) return;
        ::MoveToEx(dc, line[0].x, line[0].y, nullptr);
        for (size_t i = 1; i < line.size(); ++i) ::LineTo(dc, line[i].x, line[i].y);
    };
    stroke(arrow.highlight);
    ::SelectObject(dc, shadow);
    stroke(arrow.shadow);
    ::SelectObject(dc, oldPen);
    ::DeleteObject(light);
    ::DeleteObject(shadow);
}
