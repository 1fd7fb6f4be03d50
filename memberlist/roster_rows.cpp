// CRosterlyCtrl: the columns, the rows and the list modes.
#include "rosterly_ctrl.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "list_module.h"
#include "list_socket.h"
#include "member_rows.h"
#include "member_text.h"
#include "text_conversion.h"

void CRosterlyCtrl::ClearList() {
    CSingleLock lock(ListLock());
    if (m_hWnd) {
        const int columns = header.ItemCount();
        for (int i = 0; i < columns; ++i) ListCall(LVM_DELETECOLUMN, 0, 0);
        ListCall(LVM_DELETEALLITEMS, 0, 0);
    }
    session.ClearRows();  // after the rows that pointed at the records are gone
}

bool CRosterlyCtrl::InsertColumns(const char* columnText) {
    const std::vector<ColumnSpec> columns = ParseColumnSpec(columnText);
    bool complete = true;
    for (size_t i = 0; i < columns.size(); ++i) {
        std::wstring name = WideFromUtf8(columns[i].name);
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        column.fmt = LVCFMT_LEFT;
        column.cx = columns[i].width;
        column.pszText = &name[0];
        if (ListCall(LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column)) < 0) {
            complete = false;  // the columns inserted so far stay
            break;
        }
    }
    header.MakeItemsOwnerDrawn();
    return complete;
}

// The rows' texts stay in their records: the list view asks for a cell's
// text when it draws it or is asked for it (LVN_GETDISPINFO). A row is one
// insertion with no text copied or converted; its cells, never set, are asked
// for the same way. Setting nine texts a row made up most of a long list's cost.
bool CRosterlyCtrl::InsertRow(int index, MemberRecord* record) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = LPSTR_TEXTCALLBACKW;
    item.lParam = reinterpret_cast<LPARAM>(record);
    return ListCall(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)) >= 0;
}

namespace {
// The record whose cell the list view asks about, with the cell's image
// answered and its text buffer emptied; null when no text is asked for.
template <typename Item>
const MemberRecord* PrepareCellAnswer(Item& item) {
    // The webcam column carries the list's one image (its cell is painted
    // over, the image gives the cell its place); no other cell has one.
    if (item.mask & LVIF_IMAGE) item.iImage = item.iSubItem == 2 ? 0 : I_IMAGENONE;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return nullptr;
    item.pszText[0] = 0;
    return reinterpret_cast<const MemberRecord*>(item.lParam);
}
}  // namespace

void CRosterlyCtrl::FillCellText(LVITEMA& item) {
    const MemberRecord* record = PrepareCellAnswer(item);
    if (!record) return;
    // Asked in the system's code page (a list view whose notify format is
    // ANSI): converted, then cut between characters.
    const std::string text = Narrow(CP_ACP, WideFromUtf8(RowCellText(*record, item.iSubItem)));
    const size_t n = CodePagePrefixLength(CP_ACP, text, static_cast<size_t>(item.cchTextMax) - 1);
    std::memcpy(item.pszText, text.data(), n);
    item.pszText[n] = 0;
}

void CRosterlyCtrl::FillCellText(LVITEMW& item) {
    const MemberRecord* record = PrepareCellAnswer(item);
    if (!record) return;
    // The texts are UTF-8. Converted whole, then cut: a conversion into a
    // buffer too short gives nothing at all. Never half a surrogate pair.
    const std::wstring text = WideFromUtf8(RowCellText(*record, item.iSubItem));
    size_t n = std::min(text.size(), static_cast<size_t>(item.cchTextMax) - 1);
    if (n > 0 && n < text.size() && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
    std::wmemcpy(item.pszText, text.data(), n);
    item.pszText[n] = 0;
}

// A whole list arrives as one packet per member, back to back. A list view
// that draws scrolls its rows at every insertion at the top, which costs a
// screen update each time (milliseconds under wine); held, it draws once
// when the burst is over.
void CRosterlyCtrl::HoldRedraw() {
    if (redrawHeld || !m_hWnd) return;
    redrawHeld = true;
    redrawHeldSince = ::GetTickCount();
    ListCall(WM_SETREDRAW, FALSE, 0);
    ::PostMessageA(m_hWnd, WM_LIST_REDRAW, 0, 0);
}

LRESULT CRosterlyCtrl::OnRedrawListMessage(WPARAM, LPARAM) {
    if (!redrawHeld) return 0;
    // Packets read and not handled yet, or bytes waiting on the socket, are
    // the next records of the burst: keep holding, but let a long list be
    // seen growing.
    if (SocketOpen() && listSocket->HasWork()) {
        ShowHeldRowsIfDue();
        // Looked at again shortly, not at once: a message posted back at once
        // would keep the thread spinning while the next bytes are on their way.
        ::SetTimer(m_hWnd, kRedrawTimerId, kRedrawRecheckMs, &CRosterlyCtrl::TimerProc);
        return 0;
    }
    ::KillTimer(m_hWnd, kRedrawTimerId);
    redrawHeld = false;
    DrawAgain(0);
    return 0;
}

void CRosterlyCtrl::DrawAgain(UINT when) {
    ListCall(WM_SETREDRAW, TRUE, 0);
    // The header is painted again only when its columns changed: it draws
    // slowly, and rows alone leave it as it was.
    ::RedrawWindow(m_hWnd, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | (columnsChangedWhileHeld ? RDW_FRAME | RDW_ALLCHILDREN : 0) | when);
    columnsChangedWhileHeld = false;
}

bool CRosterlyCtrl::ShowHeldRowsIfDue() {
    if (!redrawHeld || !m_hWnd || ::GetTickCount() - redrawHeldSince < kMaxRedrawHoldMs) return false;
    // Painted now, not left to a WM_PAINT or a timer: neither comes while
    // the reader has messages queued, which it has all along a long list.
    DrawAgain(RDW_UPDATENOW);
    ListCall(WM_SETREDRAW, FALSE, 0);
    redrawHeldSince = ::GetTickCount();
    return true;
}

bool CRosterlyCtrl::RowReplaced(size_t row, const MemberRecord& record) {
    HoldRedraw();
    ListCall(LVM_DELETEITEM, row, 0);
    return InsertRow(static_cast<int>(row), const_cast<MemberRecord*>(&record));
}

bool CRosterlyCtrl::RowInserted(size_t row, const MemberRecord& record) {
    HoldRedraw();
    return InsertRow(static_cast<int>(row), const_cast<MemberRecord*>(&record));
}

void CRosterlyCtrl::RowRemoved(size_t row, const std::string&) {
    HoldRedraw();
    ListCall(LVM_DELETEITEM, row, 0);
}

void CRosterlyCtrl::ApplyMemberRecord(const uint8_t* body, size_t length) { session.ApplyMemberRecord(body, length); }

int CRosterlyCtrl::RowCount() const {
    return m_hWnd ? static_cast<int>(ListCall(LVM_GETITEMCOUNT)) : 0;
}

MemberRecord* CRosterlyCtrl::GetSelectedRecord() const {
    if (!m_hWnd) return nullptr;
    const int row = static_cast<int>(ListCall(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    return GetSelectedRecord(row);
}

MemberRecord* CRosterlyCtrl::GetSelectedRecord(int row) const {
    if (row < 0 || !m_hWnd) return nullptr;
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!ListCall(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
    return reinterpret_cast<MemberRecord*>(item.lParam);
}

void CRosterlyCtrl::ApplyListMode(const std::string& value) { session.ApplyListMode(value); }

// The session empties the rows' records once the view is empty.
void CRosterlyCtrl::ViewCleared(bool maleColumns) {
    HoldRedraw();
    columnsChangedWhileHeld = true;
    const int columns = header.ItemCount();
    for (int i = 0; i < columns; ++i) ListCall(LVM_DELETECOLUMN, 0, 0);
    ListCall(LVM_DELETEALLITEMS, 0, 0);
    InsertColumns(maleColumns ? kMaleListColumns : kFemaleListColumns);
}
