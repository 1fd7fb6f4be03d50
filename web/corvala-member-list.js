/*
 * corvala-member-list.js: <corvala-member-list>, the service's member list in
 * browsers without ActiveX. Internet Explorer shows Rosterly itself; here
 * Notewell holds the list and sends it over its local bridge (through
 * corvala-desktop.js), and this element shows it as Rosterly does: the same
 * columns, cells, icons, stripes, sort order and context menu. Every action
 * goes back to Notewell, which shows its own questions and answers; the page
 * itself opens only the profile window.
 *
 *   var list = document.querySelector("corvala-member-list");
 *   list.viewer = {id: "..", password: "..", sex: "woman", server: "211.0.0.10"};
 *   list.attach(CorvalaDesktop);   // subscribes now or when the bridge connects
 *   list.setMode("men");           // "women", "men" or "buddies"
 *
 * Events: "rowsshown" (detail {rows}) once the rows a message brought are
 * drawn; "listerror" (detail {op, error}) when a request is refused.
 *
 * Only the rows in view (and a few around them) exist in the document, so a
 * list of 100,000 members scrolls and updates without a stall. Modern
 * browsers only (custom elements); no build step.
 */
(function () {
    "use strict";

    if (!window.customElements || window.customElements.get("corvala-member-list")) return;

    const ROW_HEIGHT = 27;
    const HEADER_HEIGHT = 22;
    const MARGIN_ROWS = 6;             // rows drawn above and below the view
    const MAX_ROWS = 200000;           // new members past this are dropped
    const MAX_COLUMNS = 9;
    const MAX_COLUMN_NAME = 64;
    const MAX_COLUMN_WIDTH = 4000;
    const MAX_ID = 64;
    const MAX_STAMP = 64;
    const MAX_SLOT = 4096;             // a slot holds a display form of at most 2,048 characters
    const MEMBER_FIELDS = 14;
    const SLOT_COUNT = 10;

    const STATUS_WAITING = "대기중";
    const TASTE_NAMES = { 4: "기타", 5: "하이힐", 6: "청바지", 7: "스커트", 8: "란제리", 9: "팁토", 10: "스타킹" };

    // The columns Rosterly starts with, until Notewell's list says otherwise.
    const FEMALE_LIST_COLUMNS = [["대화", 59], ["닉네임", 80], ["캠", 39], ["인기도", 63], ["나이", 51], ["지역", 52],
                                 ["앨범", 64], ["취향", 50], ["대화주제", 152]];
    const MALE_LIST_COLUMNS = FEMALE_LIST_COLUMNS.map(function (c, i) { return i === 6 ? ["포인트", 64] : c; });

    const ICON_BASE = new URL("icons/", (document.currentScript && document.currentScript.src) || window.location.href);
    const ICONS = { "0": "waiting.ico", "1": "chatting.ico", "2": "webcam.ico", "3": "no_webcam.ico" };
    const ICON_COLUMNS = { 0: true, 2: true };

    const MODES = { women: { label: "man" }, men: { label: "woman" }, buddies: { buddy: "B" } };

    const FULL_MENU = [
        { text: "쪽지보내기", action: "note" },
        { text: "1:1 채팅신청", action: "chat", bit: 16 },
        { text: "프로필보기", action: "profile" },
        { text: "친구관리", items: [
            { text: "친구등록", action: "addFriend", bit: 1 },
            { text: "친구해제", action: "removeFriend", bit: 2 },
            { text: "차단", action: "block", bit: 4 },
            { text: "차단해제", action: "unblock", bit: 8 }
        ] }
    ];
    const SAME_SEX_MENU = [{ text: "프로필보기", action: "profile" }];

    const PROFILE_PATH = "/~pvuser/HTML/01sub/01sub_14_01.htm?pid=";
    const PROFILE_WINDOW = "width=830,height=580,top=-1,resizable=no,toolbar=no,status=no,location=no,menubar=no";

    /* ---- Cells: what a row shows of a member's stored slot texts. ---- */

    // A stored text is its column number, a colon and the value; the value
    // ends at the next colon.
    function columnValue(stored) {
        const first = stored.indexOf(":");
        if (first < 0) return "";
        const second = stored.indexOf(":", first + 1);
        return stored.substring(first + 1, second < 0 ? stored.length : second);
    }

    // A leading decimal integer as C's atoi reads it (saturated to 32 bits); 0 when none.
    function atoi(text) {
        const n = text.length;
        let i = 0;
        while (i < n && " \t\n\v\f\r".indexOf(text[i]) >= 0) i++;
        let negative = false;
        if (i < n && (text[i] === "+" || text[i] === "-")) negative = text[i++] === "-";
        let magnitude = 0;
        for (; i < n; i++) {
            const d = text.charCodeAt(i) - 48;
            if (d < 0 || d > 9) break;
            if (magnitude <= 2147483648) magnitude = magnitude * 10 + d;
        }
        const value = negative ? -magnitude : magnitude;
        return value > 2147483647 ? 2147483647 : (value < -2147483648 ? -2147483648 : value);
    }

    // A comma before every group of three characters from the right; a minus
    // sign counts as a character (-1234 shows -1,234 and -123 shows -,123).
    function groupThousands(digits) {
        const n = digits.length;
        if (!n) return "";
        const first = n % 3 || 3;
        let out = digits.substring(0, first);
        for (let i = first; i < n; i += 3) out += "," + digits.substring(i, i + 3);
        return out;
    }

    function tasteText(value) {
        if (value === "") return "";
        const code = atoi(value);
        if (code === -1) return "";
        return TASTE_NAMES.hasOwnProperty(code) ? TASTE_NAMES[code] : value;
    }

    // Columns 0 and 2 hold icon codes: 0 waiting, 1 chatting (an empty status
    // too), 2 webcam, 3 none.
    function cellsOf(entry) {
        if (entry.cells) return entry.cells;
        const s = entry.slots;
        entry.cells = [
            columnValue(s[0]) === STATUS_WAITING ? "0" : "1",
            columnValue(s[1]),
            columnValue(s[2]) === "Y" ? "2" : "3",
            columnValue(s[3]),
            columnValue(s[4]),
            columnValue(s[5]),
            entry.female ? columnValue(s[7]) : groupThousands(columnValue(s[6])),
            tasteText(columnValue(s[8])),
            columnValue(s[9])
        ];
        return entry.cells;
    }

    /* ---- Reading Notewell's list messages: untrusted, every length bounded. ---- */

    function isText(value, limit) {
        return typeof value === "string" && value.length <= limit;
    }

    // [id, female, menuBits, stamp, s0..s9] -> an entry, or null for a record to drop.
    function readMember(m) {
        if (!Array.isArray(m) || m.length !== MEMBER_FIELDS) return null;
        const id = m[0], female = m[1], bits = m[2], stamp = m[3];
        if (!isText(id, MAX_ID) || id === "" || (female !== 0 && female !== 1)) return null;
        if (!Number.isInteger(bits) || bits < 0 || bits > 255 || !isText(stamp, MAX_STAMP)) return null;
        const slots = new Array(SLOT_COUNT);
        for (let i = 0; i < SLOT_COUNT; i++) {
            if (!isText(m[4 + i], MAX_SLOT)) return null;
            slots[i] = m[4 + i];
        }
        return { id: id, female: female === 1, menuBits: bits, stamp: stamp, slots: slots,
                 cells: null, version: 0, removed: false };
    }

    function readColumns(columns) {
        if (!Array.isArray(columns) || columns.length > 64) return null;
        const out = [];
        for (let i = 0; i < columns.length && out.length < MAX_COLUMNS; i++) {
            const c = columns[i];
            if (!Array.isArray(c) || c.length !== 2 || !isText(c[0], MAX_COLUMN_NAME) || !Number.isInteger(c[1]) ||
                c[1] < 0 || c[1] > MAX_COLUMN_WIDTH) return null;
            out.push([c[0], c[1]]);
        }
        return out;
    }

    /* ---- Sorting: the order Rosterly's column click gives. ---- */

    const collator = new Intl.Collator("ko");

    // Columns 0-5 sort by slots 0-5; column 6 by the points, or by the album
    // count when the first row of a comparison is a woman; 7 by the taste
    // code, 8 by the topic.
    function sortSlotFor(column, female) {
        if (column >= 0 && column <= 5) return column;
        if (column === 6) return female ? 7 : 6;
        if (column === 7) return 8;
        if (column === 8) return 9;
        return -1;
    }

    function parseStamp(stamp) {
        const fields = stamp.split("/", 6), out = [0, 0, 0, 0, 0, 0];
        for (let i = 0; i < fields.length; i++) out[i] = atoi(fields[i]);
        return out;
    }

    // Each row's sort data made once: texts as their rank in the collator's
    // order (the collator runs k log k times for k distinct texts, not per
    // comparison), numbers parsed, the stamp split. Index 0 of the pairs is
    // the slot as a man's first row chooses it, index 1 as a woman's.
    function sortKeys(rows, column) {
        const slots = [sortSlotFor(column, false), sortSlotFor(column, true)];
        const keys = new Array(rows.length);
        const texts = new Set();
        let collateValues = column === 2;
        for (let i = 0; i < rows.length; i++) {
            const e = rows[i];
            const stored = [e.slots[slots[0]], e.slots[slots[1]]];
            const kind = [atoi(stored[0]), atoi(stored[1])];
            const value = [columnValue(stored[0]), columnValue(stored[1])];
            if (kind[0] === 2 || kind[1] === 2) collateValues = true;
            texts.add(stored[0]);
            texts.add(stored[1]);
            texts.add(e.slots[0]);
            keys[i] = { entry: e, female: e.female ? 1 : 0, kind: kind, stored: stored, value: value,
                        number: [atoi(value[0]), atoi(value[1])], stamp: parseStamp(e.stamp),
                        rank: null, valueRank: null, status: 0 };
        }
        if (collateValues) keys.forEach(function (k) { texts.add(k.value[0]); texts.add(k.value[1]); });
        const ordered = Array.from(texts).sort(collator.compare);
        const rank = new Map();
        for (let i = 0, r = 0; i < ordered.length; i++) {
            if (i > 0 && collator.compare(ordered[i - 1], ordered[i]) !== 0) r++;
            rank.set(ordered[i], r);
        }
        for (let i = 0; i < keys.length; i++) {
            const k = keys[i];
            k.rank = [rank.get(k.stored[0]), rank.get(k.stored[1])];
            k.valueRank = collateValues ? [rank.get(k.value[0]), rank.get(k.value[1])] : [0, 0];
            k.status = rank.get(k.entry.slots[0]);
        }
        return keys;
    }

    function sign(d) { return d < 0 ? -1 : (d > 0 ? 1 : 0); }

    // <0 when `first` goes before `second`. Descending order exchanges the
    // two before everything, tie-breaks included; the comparison is chosen by
    // the column number in front of the first row's text (empty counts as 0).
    function compareKeys(first, second, ascending) {
        const a = ascending ? first : second, b = ascending ? second : first;
        const v = a.female;
        switch (a.kind[v]) {
        case 0: case 1: case 5: case 8: {
            let c = sign(a.rank[v] - b.rank[v]);
            if (c) return c;
            if (!a.female) {
                c = sign(a.status - b.status);
                if (c) return c;
            }
            for (let i = 0; i < 6; i++) {
                if (a.stamp[i] !== b.stamp[i]) return a.stamp[i] < b.stamp[i] ? -1 : 1;
            }
            return 0;
        }
        case 2:
            return sign(a.valueRank[v] - b.valueRank[v]);
        case 3: case 4: case 6: case 7:
            return sign(a.number[v] - b.number[v]);
        default:
            return 0;
        }
    }

    // A bottom-up merge sort, stable, that stays within its bounds whatever
    // the comparison answers (it need not be a strict weak order: the first
    // row's text chooses it).
    function sortRows(rows, column, ascending) {
        const n = rows.length;
        if (column < 0 || column > 8 || n < 2) return rows.slice();
        let from = sortKeys(rows, column), to = new Array(n);
        for (let width = 1; width < n; width *= 2) {
            for (let left = 0; left < n; left += 2 * width) {
                const mid = Math.min(left + width, n), right = Math.min(left + 2 * width, n);
                let i = left, j = mid, k = left;
                while (i < mid && j < right) {
                    // From the right run only when it goes strictly before: stable.
                    to[k++] = compareKeys(from[j], from[i], ascending) < 0 ? from[j++] : from[i++];
                }
                while (i < mid) to[k++] = from[i++];
                while (j < right) to[k++] = from[j++];
            }
            const t = from; from = to; to = t;
        }
        return from.map(function (k) { return k.entry; });
    }

    /* ---- The element. ---- */

    const STYLE = `
:host { display: inline-block; position: relative; width: 560px; height: 400px; box-sizing: border-box;
        border: 1px solid ThreeDShadow; background: white; color: ButtonText; overflow: hidden; outline: none;
        font: 12px Gulim, "굴림", "Malgun Gothic", "NanumGothic", sans-serif; user-select: none; }
:host([hidden]) { display: none; }
.header { position: absolute; left: 0; right: 0; top: 0; height: ${HEADER_HEIGHT}px; overflow: hidden;
          background: rgb(238, 234, 216); }
.hrow { position: absolute; left: 0; top: 0; height: ${HEADER_HEIGHT}px; display: flex; }
.hitem { position: relative; flex: none; height: ${HEADER_HEIGHT}px; box-sizing: border-box; cursor: default;
         background: rgb(238, 234, 216); color: rgb(3, 3, 3); box-shadow: inset -1px 0 ThreeDShadow; }
.htext { position: absolute; top: 0; bottom: 0; line-height: ${HEADER_HEIGHT}px; overflow: hidden;
         text-overflow: ellipsis; white-space: pre; }
.hitem:active .htext { transform: translate(1px, 2px); }
.arrow { position: absolute; left: 0; top: 0; overflow: visible; pointer-events: none; }
.viewport { position: absolute; left: 0; right: 0; top: ${HEADER_HEIGHT}px; bottom: 0; overflow: auto; }
.spacer { position: relative; }
.layer { position: absolute; left: 0; top: 0; }
.row { display: flex; height: ${ROW_HEIGHT}px; background: white; color: ButtonText; }
.row.odd { background: rgb(238, 234, 216); }
.row.selected { background: ButtonFace; color: ButtonText; }
:host(:focus-within) .row.selected { background: Highlight; color: HighlightText; }
.cell { flex: none; height: ${ROW_HEIGHT}px; line-height: ${ROW_HEIGHT}px; overflow: hidden; white-space: pre;
        box-sizing: border-box; text-align: center; }
.cell.left { text-align: left; padding-left: 6px; }
.points .cell.c6 { text-align: right; }
.cell img { display: block; margin-left: 6px; width: 42px; height: 21px; }
.menu { position: fixed; z-index: 2147483647; min-width: 130px; padding: 2px 0; background: Menu; color: MenuText;
        border: 1px solid ThreeDShadow; box-shadow: 2px 2px 3px rgba(0, 0, 0, 0.3); font: inherit; outline: none; }
.menu .menu { position: absolute; left: 100%; top: -3px; }
.item { position: relative; padding: 3px 26px 3px 20px; white-space: nowrap; cursor: default; outline: none; }
.item:focus, .item.open { background: Highlight; color: HighlightText; }
.item.disabled { color: GrayText; }
.item.sub::after { content: "\\25B6"; position: absolute; right: 7px; font-size: 8px; line-height: 18px; }
`;

    let profileWindows = 0;

    class CorvalaMemberList extends HTMLElement {
        constructor() {
            super();
            const root = this.attachShadow({ mode: "open" });
            root.innerHTML = "<style>" + STYLE + "</style><div class='header'><div class='hrow'></div></div>" +
                "<div class='viewport'><div class='spacer'><div class='layer'></div></div></div>";
            this._hrow = root.querySelector(".hrow");
            this._viewport = root.querySelector(".viewport");
            this._spacer = root.querySelector(".spacer");
            this._layer = root.querySelector(".layer");

            // Rows in order: _rows as of the last rebuild, then the members put
            // on top since (newest last) above them and the rows appended
            // since below them; removed entries are only marked until then.
            this._rows = [];
            this._tops = [];
            this._appended = [];
            this._removed = 0;
            this._byId = new Map();

            this._columns = FEMALE_LIST_COLUMNS;
            this._mode = "";
            this._fullMenu = true;
            this._viewerIsWoman = false;
            this._haveReset = false;
            this._sortColumn = 0;         // a first click on column 0 sorts it ascending too
            this._sortAscending = false;
            this._arrowColumn = -1;       // no arrow until a column is clicked
            this._selected = null;
            this._menu = null;
            this._pool = [];
            this._frame = 0;
            this._newRows = false;
            this._desktop = null;
            this._viewer = null;

            this._onList = (message) => { this.apply(message); };
            this._onConnect = () => { this._subscribe(); };
            this._closeOnOutside = (event) => {
                if (this._menu && event.composedPath().indexOf(this._menu) < 0) this._closeMenu(false);
            };
            this._closeOnBlur = () => { this._closeMenu(false); };

            this._viewport.addEventListener("scroll", () => {
                this._hrow.style.transform = "translateX(" + (-this._viewport.scrollLeft) + "px)";
                this._schedule();
            });
            this._viewport.addEventListener("mousedown", (event) => this._pointerDown(event));
            this._viewport.addEventListener("dblclick", (event) => {
                const entry = this._entryAt(event);
                if (entry) this._act("doubleClick", entry.id);
            });
            this.addEventListener("contextmenu", (event) => this._contextMenu(event));
            this.addEventListener("keydown", (event) => this._key(event));
            if (window.ResizeObserver) new ResizeObserver(() => this._schedule()).observe(this._viewport);
            this._buildHeader();
        }

        connectedCallback() {
            if (!this.hasAttribute("tabindex")) this.setAttribute("tabindex", "0");
            if (!this.hasAttribute("role")) this.setAttribute("role", "grid");
            this._schedule();
        }

        disconnectedCallback() {
            this._closeMenu(false);
        }

        /* ---- API ---- */

        // Takes Notewell's list through a CorvalaDesktop (or an object with
        // its calls): subscribes while the bridge is connected, and again
        // each time it connects anew.
        attach(desktop) {
            this.detach();
            if (!desktop || typeof desktop.addListener !== "function") return;
            this._desktop = desktop;
            desktop.addListener("list", this._onList);
            desktop.addListener("connect", this._onConnect);
            if (typeof desktop.connected === "function" && desktop.connected()) this._subscribe();
            else if (!desktop.state && typeof desktop.find === "function") desktop.find();  // nobody looked yet
        }

        detach() {
            const desktop = this._desktop;
            if (!desktop) return;
            this._desktop = null;
            desktop.removeListener("list", this._onList);
            desktop.removeListener("connect", this._onConnect);
            if (typeof desktop.connected === "function" && desktop.connected()) this._request("listUnsubscribe");
        }

        get viewer() { return this._viewer ? Object.assign({}, this._viewer) : null; }

        set viewer(v) {
            v = v || {};
            const text = (x) => (x === undefined || x === null ? "" : String(x));
            this._viewer = { id: text(v.id), password: text(v.password), sex: text(v.sex), server: text(v.server) };
            // Until Notewell's list comes, the columns of the list the viewer starts on.
            if (!this._haveReset) {
                this._columns = this._viewer.sex > "man" ? MALE_LIST_COLUMNS : FEMALE_LIST_COLUMNS;
                this._buildHeader();
                this._dropRowElements();
                this._schedule();
            }
            const d = this._desktop;
            if (d && typeof d.connected === "function" && d.connected()) this._subscribe();
        }

        // "women" (TextLabel "man"), "men" (TextLabel "woman") or "buddies"
        // (TextBuddy "B"); Notewell's list answers every page with a reset.
        setMode(mode) {
            const change = MODES.hasOwnProperty(mode) ? MODES[mode] : null;
            if (!change) return Promise.resolve({ ok: false, error: "bad-field" });
            return this._request("listMode", Object.assign({}, change));
        }

        get rowCount() { return this._byId.size; }

        memberIds() { return this._order().map(function (e) { return e.id; }); }

        // The cells of the rows in the document, top to bottom (drawn first
        // when a render is due).
        visibleRows() {
            if (this._frame) this._render();
            const out = [];
            for (let row = this._layer.firstElementChild; row; row = row.nextElementSibling) {
                out.push(cellsOf(row._entry).slice(0, this._columns.length));
            }
            return out;
        }

        // One list message ({"type":"list",...}); false when it was dropped.
        apply(message) {
            if (!message || typeof message !== "object" || message.type !== "list") return false;
            switch (message.event) {
            case "reset": return this._reset(message);
            case "rows": return this._appendRows(message.rows);
            case "changes": return this._applyChanges(message.changes);
            default: return false;
            }
        }

        /* ---- Applying list messages ---- */

        _reset(m) {
            const columns = readColumns(m.columns);
            if (!columns || (m.mode !== "F" && m.mode !== "M" && m.mode !== "B") ||
                typeof m.fullMenu !== "boolean" || typeof m.viewerIsWoman !== "boolean") return false;
            this._closeMenu(false);
            this._rows = [];
            this._tops = [];
            this._appended = [];
            this._removed = 0;
            this._byId = new Map();
            this._selected = null;
            this._haveReset = true;
            this._columns = columns;
            this._mode = m.mode;
            this._fullMenu = m.fullMenu;
            this._viewerIsWoman = m.viewerIsWoman;
            // The sort state stays: the arrow keeps its column, the new rows come unsorted.
            this._buildHeader();
            this._dropRowElements();
            this._viewport.scrollTop = 0;
            this._newRows = true;
            this._schedule();
            return true;
        }

        _appendRows(rows) {
            if (!Array.isArray(rows)) return false;
            for (let i = 0; i < rows.length; i++) {
                const entry = readMember(rows[i]);
                if (!entry) continue;
                const listed = this._byId.get(entry.id);
                if (listed) {
                    this._replace(listed, entry);   // one row per member: a repeated id replaces in place
                } else if (this._byId.size < MAX_ROWS) {
                    this._byId.set(entry.id, entry);
                    this._appended.push(entry);
                }
            }
            this._newRows = true;
            this._schedule();
            return true;
        }

        // "u" replaces a listed member in place or puts a new one on top; "r"
        // removes a listed member. Positions are rebuilt once, at the next render.
        _applyChanges(changes) {
            if (!Array.isArray(changes)) return false;
            for (let i = 0; i < changes.length; i++) {
                const c = changes[i];
                if (!Array.isArray(c) || c.length !== 2) continue;
                if (c[0] === "u") {
                    const entry = readMember(c[1]);
                    if (!entry) continue;
                    const listed = this._byId.get(entry.id);
                    if (listed) {
                        this._replace(listed, entry);
                    } else if (this._byId.size < MAX_ROWS) {
                        this._byId.set(entry.id, entry);
                        this._tops.push(entry);
                    }
                } else if (c[0] === "r" && isText(c[1], MAX_ID)) {
                    const listed = this._byId.get(c[1]);
                    if (!listed) continue;
                    this._byId.delete(c[1]);
                    listed.removed = true;
                    this._removed++;
                    if (listed === this._selected) this._selected = null;
                }
            }
            this._newRows = true;
            this._schedule();
            return true;
        }

        _replace(listed, entry) {
            listed.female = entry.female;
            listed.menuBits = entry.menuBits;
            listed.stamp = entry.stamp;
            listed.slots = entry.slots;
            listed.cells = null;
            listed.version++;
        }

        // The rows in order, rebuilt once after top insertions or removals.
        _order() {
            if (this._tops.length || this._removed) {
                const out = [];
                for (let i = this._tops.length - 1; i >= 0; i--) if (!this._tops[i].removed) out.push(this._tops[i]);
                for (const e of this._rows) if (!e.removed) out.push(e);
                for (const e of this._appended) if (!e.removed) out.push(e);
                this._rows = out;
            } else if (this._appended.length) {
                for (const e of this._appended) this._rows.push(e);
            }
            this._tops = [];
            this._appended = [];
            this._removed = 0;
            return this._rows;
        }

        /* ---- Drawing ---- */

        _schedule() {
            if (!this._frame) this._frame = window.requestAnimationFrame(() => this._render());
        }

        _render() {
            if (this._frame) window.cancelAnimationFrame(this._frame);
            this._frame = 0;
            const order = this._order(), n = order.length;
            this._spacer.style.height = n * ROW_HEIGHT + "px";
            this._spacer.style.width = this._rowWidth() + "px";
            const view = this._viewport, top = view.scrollTop, height = view.clientHeight;
            const last = Math.min(n, Math.ceil((top + height) / ROW_HEIGHT) + MARGIN_ROWS);
            const first = Math.min(last, Math.max(0, Math.floor(top / ROW_HEIGHT) - MARGIN_ROWS));
            this._layer.style.transform = "translateY(" + first * ROW_HEIGHT + "px)";
            const layer = this._layer, count = last - first;
            while (layer.childElementCount > count) this._pool.push(layer.removeChild(layer.lastElementChild));
            while (layer.childElementCount < count) layer.appendChild(this._pool.pop() || this._makeRow());
            let row = layer.firstElementChild;
            for (let i = first; i < last; i++, row = row.nextElementSibling) this._fillRow(row, order[i], i);
            if (this._newRows) {
                this._newRows = false;
                this.dispatchEvent(new CustomEvent("rowsshown", { detail: { rows: n } }));
            }
        }

        _rowWidth() {
            let w = 0;
            for (const c of this._columns) w += c[1];
            return w;
        }

        _buildHeader() {
            const hrow = this._hrow;
            hrow.textContent = "";
            const q = Math.floor(HEADER_HEIGHT / 4);
            this._columns.forEach((column, index) => {
                const item = document.createElement("div");
                item.className = "hitem";
                item.style.width = column[1] + "px";
                item.setAttribute("role", "columnheader");
                const label = document.createElement("div");
                label.className = "htext";
                label.textContent = column[0];
                const sorted = index === this._arrowColumn;
                label.style.left = q + "px";
                label.style.right = (sorted ? 4 * q : q) + "px";
                item.appendChild(label);
                if (sorted) {
                    item.appendChild(this._arrow(column[1], HEADER_HEIGHT, q, this._sortAscending));
                    item.setAttribute("aria-sort", this._sortAscending ? "ascending" : "descending");
                }
                item.addEventListener("click", () => this._sortBy(index));
                hrow.appendChild(item);
            });
            const body = this._spacer.parentNode;
            body.classList.toggle("points", this._pointsShown());
        }

        // The header's arrow: two 1-pixel lines in the 3-D highlight and shadow colours.
        _arrow(width, height, q, ascending) {
            const ns = "http://www.w3.org/2000/svg", R = width, B = height;
            const svg = document.createElementNS(ns, "svg");
            svg.setAttribute("class", "arrow");
            svg.setAttribute("width", width);
            svg.setAttribute("height", height);
            const lines = ascending
                ? [["ButtonHighlight", [[R - 2 * q, q], [R - q, B - q - 1], [R - 3 * q - 2, B - q - 1]]],
                   ["ButtonShadow", [[R - 3 * q - 1, B - q - 1], [R - 2 * q, q - 1]]]]
                : [["ButtonHighlight", [[R - q - 1, q], [R - 2 * q - 1, B - q]]],
                   ["ButtonShadow", [[R - 2 * q - 2, B - q], [R - 3 * q - 1, q], [R - q - 1, q]]]];
            for (const [colour, points] of lines) {
                const line = document.createElementNS(ns, "polyline");
                line.setAttribute("points", points.map((p) => (p[0] + 0.5) + "," + (p[1] + 0.5)).join(" "));
                line.setAttribute("fill", "none");
                line.setAttribute("stroke", colour);
                line.setAttribute("stroke-width", "1");
                svg.appendChild(line);
            }
            return svg;
        }

        // Column 6 holds points (right-aligned) in the male column set, album counts (centred) otherwise.
        _pointsShown() {
            if (this._mode === "M") return true;
            if (this._mode === "B") return this._viewerIsWoman;
            return this._columns === MALE_LIST_COLUMNS;
        }

        _dropRowElements() {
            this._layer.textContent = "";
            this._pool = [];
        }

        _makeRow() {
            const row = document.createElement("div");
            row.className = "row";
            row.setAttribute("role", "row");
            row._entry = null;
            row._version = -1;
            row._look = "";
            this._columns.forEach((column, index) => {
                const cell = document.createElement("div");
                cell.className = "cell c" + index + (index === 1 || index === 8 ? " left" : "");
                cell.style.width = column[1] + "px";
                cell.setAttribute("role", "gridcell");
                if (ICON_COLUMNS[index]) {
                    const img = document.createElement("img");
                    img.alt = "";
                    img.draggable = false;
                    img.hidden = true;
                    cell.appendChild(img);
                }
                row.appendChild(cell);
            });
            return row;
        }

        _fillRow(row, entry, index) {
            if (row._entry !== entry || row._version !== entry.version) {
                const cells = cellsOf(entry);
                let cell = row.firstElementChild;
                for (let c = 0; cell; c++, cell = cell.nextElementSibling) {
                    if (ICON_COLUMNS[c]) {
                        const img = cell.firstElementChild, icon = ICONS[cells[c]];
                        if (img._code !== cells[c]) {
                            img._code = cells[c];
                            img.hidden = !icon;
                            if (icon) img.src = new URL(icon, ICON_BASE).href;
                        }
                    } else if (cell.textContent !== cells[c]) {
                        cell.textContent = cells[c];
                    }
                }
                row._entry = entry;
                row._version = entry.version;
            }
            const look = "row" + (index % 2 ? " odd" : "") + (entry === this._selected ? " selected" : "");
            if (row._look !== look) {
                row._look = look;
                row.className = look;
                row.setAttribute("aria-selected", entry === this._selected ? "true" : "false");
            }
        }

        /* ---- Sorting ---- */

        _sortBy(column) {
            this._sortAscending = column !== this._sortColumn ? true : !this._sortAscending;
            this._sortColumn = column;
            this._arrowColumn = column;
            this._rows = sortRows(this._order(), column, this._sortAscending);
            this._buildHeader();
            this._schedule();
        }

        /* ---- Selection, keys, menu ---- */

        _indexAt(event) {
            const view = this._viewport, box = view.getBoundingClientRect();
            const x = event.clientX - box.left - view.clientLeft, y = event.clientY - box.top - view.clientTop;
            if (x < 0 || y < 0 || x >= view.clientWidth || y >= view.clientHeight) return -1;  // the scroll bars
            const index = Math.floor((y + view.scrollTop) / ROW_HEIGHT);
            return index < this._byId.size ? index : -1;
        }

        _entryAt(event) {
            const index = this._indexAt(event);
            return index < 0 ? null : this._order()[index] || null;
        }

        _select(entry) {
            if (this._selected === entry) return;
            this._selected = entry;
            this._schedule();
        }

        _pointerDown(event) {
            if (event.button !== 0 && event.button !== 2) return;
            const entry = this._entryAt(event);
            if (entry) this._select(entry);
        }

        _selectedIndex() {
            return this._selected ? this._order().indexOf(this._selected) : -1;
        }

        _scrollToIndex(index) {
            const view = this._viewport, top = index * ROW_HEIGHT;
            if (top < view.scrollTop) view.scrollTop = top;
            else if (top + ROW_HEIGHT > view.scrollTop + view.clientHeight) {
                view.scrollTop = top + ROW_HEIGHT - view.clientHeight;
            }
        }

        _key(event) {
            if (this._menu) return;   // the menu takes its own keys
            if (event.key === "ContextMenu" || (event.key === "F10" && event.shiftKey)) {
                event.preventDefault();
                this._menuForSelection();
                return;
            }
            const order = this._order(), n = order.length;
            if (!n) return;
            const page = Math.max(1, Math.floor(this._viewport.clientHeight / ROW_HEIGHT) - 1);
            const at = this._selectedIndex();
            let to;
            switch (event.key) {
            case "ArrowDown": to = at < 0 ? 0 : at + 1; break;
            case "ArrowUp": to = at < 0 ? 0 : at - 1; break;
            case "PageDown": to = at < 0 ? 0 : at + page; break;
            case "PageUp": to = at < 0 ? 0 : at - page; break;
            case "Home": to = 0; break;
            case "End": to = n - 1; break;
            default: return;
            }
            event.preventDefault();
            to = Math.max(0, Math.min(n - 1, to));
            this._select(order[to]);
            this._scrollToIndex(to);
        }

        _contextMenu(event) {
            event.preventDefault();
            if (this._menu) return;
            const origin = event.composedPath()[0];
            if (origin === this) {            // from the keyboard, on the element
                this._menuForSelection();
                return;
            }
            if (!this._viewport.contains(origin)) return;
            const entry = this._entryAt(event);
            if (entry) this._select(entry);
            if (this._selected) this._openMenu(this._selected, event.clientX, event.clientY, false);
        }

        _menuForSelection() {
            const index = this._selectedIndex();
            if (index < 0) return;
            this._scrollToIndex(index);
            const box = this._viewport.getBoundingClientRect();
            const y = box.top + this._viewport.clientTop + (index + 1) * ROW_HEIGHT - this._viewport.scrollTop;
            this._openMenu(this._selected, box.left + 16, Math.min(y, box.bottom), true);
        }

        // Rosterly's menu: the full one while the list shows the other sex (or
        // the buddies), else "프로필보기" alone. The entry's menu bits enable
        // the items that depend on the member.
        _openMenu(entry, x, y, fromKeyboard) {
            this._closeMenu(false);
            const id = entry.id, bits = entry.menuBits;
            const menu = this._buildMenu(this._fullMenu ? FULL_MENU : SAME_SEX_MENU, bits, id);
            menu.style.left = "0px";
            menu.style.top = "0px";
            menu.style.visibility = "hidden";
            this.shadowRoot.appendChild(menu);
            this._menu = menu;
            const w = menu.offsetWidth, h = menu.offsetHeight;
            menu.style.left = Math.max(0, Math.min(x, window.innerWidth - w)) + "px";
            menu.style.top = Math.max(0, Math.min(y, window.innerHeight - h)) + "px";
            menu.style.visibility = "";
            document.addEventListener("mousedown", this._closeOnOutside, true);
            window.addEventListener("blur", this._closeOnBlur);
            const firstItem = menu.querySelector(".item");
            if (fromKeyboard && firstItem) firstItem.focus();
            else menu.focus();
        }

        _buildMenu(items, bits, id) {
            const menu = document.createElement("div");
            menu.className = "menu";
            menu.setAttribute("role", "menu");
            menu.tabIndex = -1;
            for (const spec of items) {
                const item = document.createElement("div");
                item.className = "item";
                item.setAttribute("role", "menuitem");
                item.tabIndex = -1;
                item.textContent = spec.text;
                item._action = spec.action || "";
                if (spec.bit && !(bits & spec.bit)) {
                    item.classList.add("disabled");
                    item.setAttribute("aria-disabled", "true");
                }
                if (spec.items) {
                    item.classList.add("sub");
                    item.setAttribute("aria-haspopup", "true");
                    const sub = this._buildMenu(spec.items, bits, id);
                    sub.hidden = true;
                    item.appendChild(sub);
                }
                item.addEventListener("mouseenter", () => {
                    this._openSubmenu(item.parentNode, spec.items ? item : null);
                    item.focus();
                });
                item.addEventListener("click", (event) => {
                    event.stopPropagation();
                    if (spec.items) this._openSubmenu(item.parentNode, item);
                    else this._choose(item, id);
                });
                menu.appendChild(item);
            }
            menu.addEventListener("keydown", (event) => this._menuKey(event, menu, id));
            return menu;
        }

        // Opens `item`'s sub-menu (or none) and closes the level's others.
        _openSubmenu(menu, item) {
            for (const other of menu.children) {
                if (other === item || !other.classList.contains("sub")) continue;
                other.classList.remove("open");
                other.lastElementChild.hidden = true;
            }
            if (item) {
                item.classList.add("open");
                item.lastElementChild.hidden = false;
            }
        }

        _menuKey(event, menu, id) {
            if (event.target !== menu && event.target.parentNode !== menu) return;  // a deeper level's key
            event.stopPropagation();
            const items = Array.prototype.filter.call(menu.children, (c) => c.classList.contains("item"));
            const at = items.indexOf(event.target);
            const current = at >= 0 ? items[at] : null;
            switch (event.key) {
            case "ArrowDown": items[(at + 1) % items.length].focus(); break;
            case "ArrowUp": items[(at <= 0 ? items.length : at) - 1].focus(); break;
            case "ArrowRight":
                if (current && current.classList.contains("sub")) {
                    this._openSubmenu(menu, current);
                    current.lastElementChild.querySelector(".item").focus();
                }
                break;
            case "ArrowLeft": {
                const owner = menu.parentNode;
                if (owner && owner.classList && owner.classList.contains("sub")) {
                    this._openSubmenu(owner.parentNode, null);
                    owner.focus();
                }
                break;
            }
            case "Enter": case " ":
                if (current) {
                    if (current.classList.contains("sub")) {
                        this._openSubmenu(menu, current);
                        current.lastElementChild.querySelector(".item").focus();
                    } else {
                        this._choose(current, id);
                    }
                }
                break;
            case "Escape": {
                const owner = menu.parentNode;
                if (owner && owner.classList && owner.classList.contains("sub")) {
                    this._openSubmenu(owner.parentNode, null);
                    owner.focus();
                } else {
                    this._closeMenu(true);
                }
                break;
            }
            case "Tab": this._closeMenu(true); break;
            default: return;
            }
            event.preventDefault();
        }

        _choose(item, id) {
            if (item.classList.contains("disabled")) return;
            this._closeMenu(true);
            this._act(item._action, id);
        }

        _closeMenu(refocus) {
            if (!this._menu) return;
            this._menu.remove();
            this._menu = null;
            document.removeEventListener("mousedown", this._closeOnOutside, true);
            window.removeEventListener("blur", this._closeOnBlur);
            if (refocus) this.focus({ preventScroll: true });
        }

        /* ---- Requests to Notewell ---- */

        _request(op, argument, member) {
            const d = this._desktop;
            let sent;
            if (!d || typeof d[op] !== "function") sent = { ok: false, error: "not-running" };
            else if (op === "listSubscribe") sent = d.listSubscribe(argument);
            else if (op === "listMode") sent = d.listMode(argument);
            else if (op === "listAction") sent = d.listAction(argument, member);
            else sent = d[op]();
            return Promise.resolve(sent).then((result) => {
                result = result && typeof result === "object" ? result : { ok: false, error: "failed" };
                if (!result.ok) {
                    // Never the viewer: the event is the page's to log.
                    const detail = { op: op, error: String(result.error || "failed") };
                    if (op === "listAction") detail.action = argument;
                    this.dispatchEvent(new CustomEvent("listerror", { detail: detail }));
                }
                return result;
            });
        }

        _subscribe() {
            if (this._viewer) this._request("listSubscribe", Object.assign({}, this._viewer));
        }

        // Every action is Notewell's to carry out; for a profile it answers
        // whether the member may see one, and the page opens it.
        _act(action, id) {
            if (!this._desktop) return;
            let name = "", opened = null;
            if (action === "profile") {
                // Opened now, while the click still allows a window; filled once Notewell agrees.
                name = "corvalaProfile" + (++profileWindows) + "_" + Date.now();
                try { opened = window.open("", name, PROFILE_WINDOW); } catch (refused) { opened = null; }
            }
            this._request("listAction", action, id).then((result) => {
                if (action !== "profile") return;
                if (result.ok) this._postProfile(name, id);
                else if (opened) opened.close();
            });
        }

        // The viewer's id and password go along as the site's login form, so
        // the member arrives logged in.
        _postProfile(target, id) {
            const viewer = this._viewer || { id: "", password: "" };
            const form = document.createElement("form");
            form.method = "post";
            form.action = window.location.origin + PROFILE_PATH + id;
            form.target = target;
            form.style.display = "none";
            for (const [name, value] of [["pvapp_id", viewer.id], ["pvapp_pw", viewer.password], ["pvpw", "marlido"]]) {
                const input = document.createElement("input");
                input.type = "hidden";
                input.name = name;
                input.value = value;
                form.appendChild(input);
            }
            document.body.appendChild(form);
            form.submit();
            form.remove();
        }
    }

    window.customElements.define("corvala-member-list", CorvalaMemberList);
})();
