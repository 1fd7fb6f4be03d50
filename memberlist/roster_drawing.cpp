// CRosterlyCtrl: painting the cells (icons for the status and the webcam,
// striped rows) and sorting by a clicked column.
#include "rosterly_ctrl.h"

#include <cstring>
#include <vector>

#include "member_text.h"
#include "roster_colours.h"
#include "rosterly_resource.h"
#include "text_conversion.h"

namespace {
constexpr int kIconLeftMargin = 6;
constexpr int kIconWidth = 42;
constexpr int kIconHeight = 21;
constexpr int kTextLeftMargin = 6;
constexpr int kMaxCellText = 127;

// The icon of a status or webcam code; 0 for any other text.
UINT IconForCode(const char* code) {
    if (code[0] == 0 || code[1] != 0) return 0;
    switch (code[0]) {
    case '0': return IDI_WAITING;
    case '1': return IDI_CHATTING;
    case '2': return IDI_WEBCAM;
    case '3': return IDI_NO_WEBCAM;
    default: return 0;
    }
}

void FillWith(HDC dc, const RECT& rc, COLORREF colour) {
    HBRUSH brush = ::CreateSolidBrush(colour);
    if (!brush) return;
    ::FillRect(dc, &rc, brush);
    ::DeleteObject(brush);
}

// The list view takes the order already worked out: each row's rank.
int CALLBACK CompareRanks(LPARAM first, LPARAM second, LPARAM) {
    const auto* a = reinterpret_cast<const MemberRecord*>(first);
    const auto* b = reinterpret_cast<const MemberRecord*>(second);
    if (!a || !b) return 0;
    return a->sortRank < b->sortRank ? -1 : (a->sortRank > b->sortRank ? 1 : 0);
}
}  // namespace

LRESULT CRosterlyCtrl::OnReflectedNotify(WPARAM, LPARAM l) {
    auto* notify = reinterpret_cast<NMHDR*>(l);
    if (!notify || notify->hwndFrom != m_hWnd) return 0;
    switch (notify->code) {
    case NM_CUSTOMDRAW:
        return OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(l));
    case LVN_GETDISPINFOA:
        FillCellText(reinterpret_cast<NMLVDISPINFOA*>(l)->item);
        return 0;
    case LVN_GETDISPINFOW:
        FillCellText(reinterpret_cast<NMLVDISPINFOW*>(l)->item);
        return 0;
    case LVN_COLUMNCLICK:
        OnColumnClick(reinterpret_cast<NMLISTVIEW*>(l)->iSubItem);
        return 0;
    case NM_DBLCLK:
        OnRowDoubleClick(reinterpret_cast<NMITEMACTIVATE*>(l)->iItem);
        return 0;
    default:
        return 0;
    }
}

LRESULT CRosterlyCtrl::OnCustomDraw(NMLVCUSTOMDRAW* draw) {
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
        return CDRF_NOTIFYPOSTPAINT;  // the list paints first, the cell is painted over it
    case CDDS_ITEMPOSTPAINT | CDDS_SUBITEM:
        PaintCell(draw);
        return CDRF_SKIPDEFAULT;
    default:
        return CDRF_DODEFAULT;
    }
}

void CRosterlyCtrl::PaintCell(NMLVCUSTOMDRAW* draw) {
    HDC dc = draw->nmcd.hdc;
    const int row = static_cast<int>(draw->nmcd.dwItemSpec);
    const int column = draw->iSubItem;

    RECT rc{};
    if (column == 0) {
        rc.left = LVIR_BOUNDS;  // the whole row; the later columns paint over it
        ListCall(LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rc));
    } else {
        rc.top = column;
        rc.left = LVIR_BOUNDS;
        ListCall(LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&rc));
    }
    const bool selected = (ListCall(LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;

    COLORREF background;
    COLORREF text;
    if (selected) {
        const bool focused = ::GetFocus() == m_hWnd;
        background = ::GetSysColor(focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
        text = ::GetSysColor(focused ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT);
    } else {
        background = (row % 2) ? kStripeColour : kEvenRowColour;
        text = ::GetSysColor(COLOR_BTNTEXT);
    }
    FillWith(dc, rc, kEvenRowColour);
    FillWith(dc, rc, background);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, text);

    wchar_t cell[kMaxCellText + 1] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = cell;
    item.cchTextMax = static_cast<int>(sizeof cell / sizeof cell[0]);
    ListCall(LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));

    if (column == 0 || column == 2) {
        const UINT iconId = IconForCode(Utf8FromWide(cell).c_str());
        if (!iconId) return;
        HICON icon = cellIcons.Get(iconId, kIconWidth, kIconHeight);
        if (!icon) return;  // the cell stays empty
        ::DrawIconEx(dc, rc.left + kIconLeftMargin, rc.top, icon, kIconWidth, kIconHeight, 0, nullptr, DI_NORMAL);
        return;
    }

    UINT format = DT_SINGLELINE | DT_VCENTER;
    switch (column) {
    case 1:
    case 8:
        format |= DT_LEFT;
        rc.left += kTextLeftMargin;
        break;
    case 6:
        format |= session.Mode().showMen ? DT_RIGHT : DT_CENTER;  // points, or album counts
        break;
    default:
        format |= DT_CENTER;
        break;
    }
    ::DrawTextW(dc, cell, -1, &rc, format);
}

void CRosterlyCtrl::OnColumnClick(int column) {
    sortState.Click(column);
    header.SetSort(column, sortState.ascending);
    SortRows();
}

void CRosterlyCtrl::SortRows() {
    if (!m_hWnd) return;
    // Sorted here with each text's sort key made once, then handed to the
    // list view as ranks: the list view's own sort would call back into the
    // comparison of texts for every pair, and reading its order back costs a
    // message per row.
    std::vector<const MemberRecord*> order = session.Rows().InRowOrder();
    SortKeyCollation collation;
    SortMemberRows(order, sortState.column, sortState.ascending, collation);
    for (size_t i = 0; i < order.size(); ++i) const_cast<MemberRecord*>(order[i])->sortRank = static_cast<int>(i);
    ListCall(LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(&CompareRanks));
    session.Rows().Reorder(order);
}
