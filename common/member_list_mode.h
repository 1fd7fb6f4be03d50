// The member list's three modes (female list, male list, buddy list), the
// column sets they show, which records each mode takes, and what a mode
// property does to the list.
#pragma once
#include <string>
#include <string_view>
#include <vector>

// Column sets as name,width;name,width;... (widths in pixels).
extern const char kFemaleListColumns[];  // ..."앨범,64"...
extern const char kMaleListColumns[];    // ..."포인트,64"...

struct ColumnSpec {
    std::string name;
    int width = 0;
};
// A name runs to the next ",", the width to the next ";" or the end of the
// text and is read as a decimal number. A name without a "," ends the walk.
std::vector<ColumnSpec> ParseColumnSpec(std::string_view text);

// "SEX" (or a mode value) compares greater than "man" byte by byte, as a C
// string: "woman" does; "man", "M", "F" and the empty text do not.
bool ComparesAboveMan(std::string_view value);

enum class RecordOperation { Add, Update, Remove, Unknown };
RecordOperation OperationOf(char operation);

// What a TextLabel or TextBuddy value asks of the list.
struct ListModeChange {
    bool changed = false;       // the list is cleared and rebuilt
    bool maleColumns = false;   // the column set to build when changed
    char requestLetter = 0;     // the list request to send when changed (mode as it
                                // stood right after the change)
};

struct ListMode {
    bool viewerIsWoman = false;
    bool showMen = false;
    bool buddyMode = false;
    bool listReady = false;  // mode changes take effect only once set

    // Sets the viewer's sex and starts on the list of the other sex.
    void StartFor(std::string_view sexProperty);
    // The column set of the current mode: the buddy list follows the viewer.
    bool ShowsMaleColumns() const { return buddyMode ? viewerIsWoman : showMen; }

    // ApplyListMode: "B" enters buddy mode (once); any other value picks a
    // sex list by ComparesAboveMan and leaves buddy mode. Nothing changes
    // before listReady.
    ListModeChange Apply(std::string_view value);
    // TextLabel: the same, then buddy mode is left whatever happened (so
    // "B" asks for the buddy list, whose records are then filtered as a sex list).
    ListModeChange ApplyLabel(std::string_view value);

    // Whether an 'A' or 'U' record is applied to the list ('R' always is).
    bool Accepts(RecordOperation op, bool isFemale, char buddyByte) const;
    // The LIST_MEMBERS request byte: 'B' buddy list, 'M' men, 'F' women.
    char RequestLetter() const { return buddyMode ? 'B' : (showMen ? 'M' : 'F'); }
    // The context menu of the other sex ("목록") or of the own ("목록(동성)").
    bool OffersFullMenu() const { return buddyMode || showMen == viewerIsWoman; }
};
