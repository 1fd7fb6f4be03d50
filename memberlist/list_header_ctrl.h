// CListHeaderCtrl: the member list's header, subclassed so that every item is
// owner-drawn in the list's stripe colour with an arrow on the sorted column.
#pragma once
#include <windows.h>

#include "control_wnd.h"

class CListHeaderCtrl : public CControlWnd {
public:
    int ItemCount() const;
    // Makes every item owner-drawn (after the list view made them).
    void MakeItemsOwnerDrawn();
    // Stores the sorted column and its direction, keeps the item owner-drawn
    // and repaints the header.
    void SetSort(int column, bool ascending);
    int SortedColumn() const { return m_sortColumn; }
    bool SortAscending() const { return m_sortAscending; }

    // WM_DRAWITEM of one header item, which reaches the list view (its
    // parent) and is passed on with ReflectToChild.
    bool OnChildNotify(UINT msg, WPARAM w, LPARAM l, LRESULT* result) override;
    void DrawItem(const DRAWITEMSTRUCT& item);

private:
    void MakeItemOwnerDrawn(int index);

    int m_sortColumn = -1;
    bool m_sortAscending = false;
};
