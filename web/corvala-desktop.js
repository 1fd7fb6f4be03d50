/*
 * corvala-desktop.js: the service's pages drive Notewell from any browser.
 *
 * In Internet Explorer (and Edge's IE mode), where the page's Gatekin control
 * is loaded, every call goes to Gatekin as the controls' sample page does.
 * Everywhere else the calls travel over Notewell's local bridge: a WebSocket
 * server on 127.0.0.1, port 5290 (5291 to 5293 when that one is taken), that
 * only the service's own pages may use. When no Notewell runs, start() (from
 * a click) opens a notewell: link, and the browser asks the member to open
 * Notewell; the identity then goes over the bridge, never into a link.
 *
 *   CorvalaDesktop.onstatechange = function (state, reason) { ... };
 *   CorvalaDesktop.login({id: "..", password: "..", sex: "M",
 *                         sessionId: "..", server: "211.0.0.10"});
 *   button.onclick = function () { CorvalaDesktop.start(); };
 *
 * States: "notRunning" (no Notewell answers; offer start()), "starting" (the
 * link was opened, waiting for Notewell to answer), "blocked" (the browser
 * keeps the page from reaching apps on this device: reason "denied" when the
 * member or a policy refused it, "no-answer" when nothing answered within a
 * minute of a start, "unsupported" without WebSocket), and Notewell's own
 * "started", "waiting" (for the identity), "connecting", "loggedIn" and
 * "ended" (reason: why). The ActiveX path reports "activex" once: Gatekin
 * tells the page nothing more.
 *
 * Every call returns a Promise of {ok: true} or {ok: false, error: code}
 * where the browser has Promise (nothing in old IE). Codes are Notewell's
 * ("bad-field", "not-connected", ...) and this script's "not-running" and
 * "closed" (the connection ended before the answer).
 *
 * The member list (<corvala-member-list>, corvala-member-list.js) takes
 * Notewell's list over the bridge: listSubscribe(viewer), listUnsubscribe(),
 * listMode({label: ".."} or {buddy: ".."}) and listAction(action, memberId),
 * with Notewell's {"type":"list"} messages handed to CorvalaDesktop.onlist
 * and to the "list" listeners:
 *
 *   CorvalaDesktop.addListener("list", function (message) { ... });
 *   CorvalaDesktop.addListener("connect", function () { ... });  // each new connection
 *   CorvalaDesktop.addListener("state", function (state, reason) { ... });
 *
 * On the ActiveX path the page has Rosterly instead; the list calls answer
 * "activex" there.
 *
 * Plain ECMAScript 3 syntax, no build step: the ActiveX path also runs in
 * IE's old document modes.
 */
var CorvalaDesktop = (function (window) {
    "use strict";

    var PORTS = [5290, 5291, 5292, 5293];
    var PORT_ANSWER_MS = 1500;     // a port that opens must send its state by then
    // Until a port opens or fails: Chrome holds the connection while it asks
    // the member to let the site reach apps on this device.
    var PORT_OPEN_MS = 60000;
    var START_WAIT_MS = 60000;     // how long a started Notewell may take to answer
    var RETRY_MS = 500;
    var REPLY_WAIT_MS = 10000;     // the ask-to-close reply waits for the member: not bounded by this
    var MESSAGE_CHARS = 4096;      // Notewell's states and replies are short
    var LIST_MESSAGE_CHARS = 4194304;  // a chunk of the member list is not
    var TOKEN_LETTERS = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    var START_FRAME_ID = "corvala-desktop-start";
    // The names Chrome has given the permission to reach local addresses.
    var LOCAL_ACCESS_PERMISSIONS = ["loopback-network", "local-network-access", "local-network"];

    var api = {
        path: "",        // "activex" or "bridge"
        state: "",
        reason: "",
        port: 0,         // the bridge's port once connected
        onstatechange: null,
        onlist: null
    };

    // Listeners by kind: "state" (state, reason), "list" (message), "connect" ().
    var listeners = { state: [], list: [], connect: [] };

    function tell(kind, args) {
        var list = listeners[kind].slice(0), i;
        for (i = 0; i < list.length; i++) {
            try { list[i].apply(null, args); } catch (ignored) { /* the page's own fault */ }
        }
    }

    api.addListener = function (kind, fn) {
        if (!listeners.hasOwnProperty(kind) || typeof fn !== "function") return;
        for (var i = 0; i < listeners[kind].length; i++) if (listeners[kind][i] === fn) return;
        listeners[kind].push(fn);
    };

    api.removeListener = function (kind, fn) {
        if (!listeners.hasOwnProperty(kind)) return;
        for (var i = 0; i < listeners[kind].length; i++) {
            if (listeners[kind][i] === fn) { listeners[kind].splice(i, 1); return; }
        }
    };

    function report(state, reason) {
        reason = reason || "";
        if (api.state === state && api.reason === reason) return;
        api.state = state;
        api.reason = reason;
        if (typeof api.onstatechange === "function") {
            try { api.onstatechange(state, reason); } catch (ignored) { /* the page's own fault */ }
        }
        tell("state", [state, reason]);
    }

    function settled(result) {
        if (typeof window.Promise !== "function") return undefined;
        return window.Promise.resolve(result);
    }

    /* ---- The ActiveX path: Gatekin, exactly as the sample page uses it. ---- */

    // A control that is missing (not installed, or refused by the browser) has no .object.
    function control(id) {
        var c = window.document.getElementById(id);
        return c && c.object ? c : null;
    }

    function hasActiveX() {
        return !!window.ActiveXObject || "ActiveXObject" in window;
    }

    function field(value) {
        return value === undefined || value === null ? "" : String(value);
    }

    var gatekinPath = {
        login: function (identity) {
            var g = control("Gatekin");
            if (!g) return;
            // The PARAM values are the identity; a page may also give it by script.
            if (identity) {
                if (field(identity.id)) g.TextID = field(identity.id);
                if (field(identity.password)) g.TextPWD = field(identity.password);
                if (field(identity.sex)) g.TextSEX = field(identity.sex);
            }
            g.LogStateProc = 0;
        },
        // 1: Notewell logs out and ends at once; 2: it asks the member first.
        logout: function (ask) {
            var g = control("Gatekin");
            if (g) g.LogStateProc = ask ? 2 : 1;
        },
        // Fields separated by "/"; a field may not hold one.
        sendNote: function (t) {
            var g = control("Gatekin");
            if (g) g.SendLabel = [field(t.id), field(t.nickname), field(t.sex), field(t.age)].join("/");
        },
        askChat: function (t) {
            var g = control("Gatekin");
            if (g) g.SendChat = [field(t.id), field(t.nickname), field(t.sex), field(t.age), field(t.occupation),
                                 field(t.region), field(t.taste), field(t.popularity), field(t.topic),
                                 field(t.points)].join("/");
        },
        noteToAll: function () { var g = control("Gatekin"); if (g) g.SendAllLabel = ""; },
        chatToAll: function () { var g = control("Gatekin"); if (g) g.SendAllChat = ""; }
    };

    /* ---- The bridge: requests as Notewell takes them. ---- */

    function text(value) { return value === undefined || value === null ? undefined : String(value); }

    // A number field read the way Gatekin reads it: a leading decimal
    // integer, 0 when there is none. Out-of-range values reach Notewell,
    // which refuses them.
    function integer(value) {
        if (value === undefined || value === null || value === "") return undefined;
        if (typeof value === "number") return isFinite(value) ? (value < 0 ? Math.ceil(value) : Math.floor(value)) : 0;
        var n = parseInt(String(value), 10);
        return isNaN(n) ? 0 : n;
    }

    // Only the keys Notewell knows, and only those that have a value:
    // Notewell refuses unknown keys, and an empty sex code.
    function pick(source, texts, numbers) {
        var out = {}, i, v;
        for (i = 0; i < texts.length; i++) {
            v = text(source[texts[i]]);
            if (v !== undefined && !(texts[i] === "sex" && v === "")) out[texts[i]] = v;
        }
        for (i = 0; i < numbers.length; i++) {
            v = integer(source[numbers[i]]);
            if (v !== undefined) out[numbers[i]] = v;
        }
        return out;
    }

    function identityRequest(identity) {
        identity = identity || {};
        return {
            op: "login",
            member: {
                id: field(identity.id),
                password: field(identity.password),
                sex: field(identity.sex),
                sessionId: field(identity.sessionId),
                server: field(identity.server)
            }
        };
    }

    function viewerRequest(viewer) {
        viewer = viewer || {};
        return {
            op: "listSubscribe",
            viewer: { id: field(viewer.id), password: field(viewer.password), sex: field(viewer.sex),
                      server: field(viewer.server) }
        };
    }

    // The list's mode as Rosterly's properties set it: TextLabel or TextBuddy.
    function modeRequest(mode) {
        mode = mode || {};
        if (mode.buddy !== undefined && mode.buddy !== null) return { op: "listMode", buddy: field(mode.buddy) };
        return { op: "listMode", label: field(mode.label) };
    }

    var NOTE_TEXTS = ["id", "nickname", "sex"], NOTE_NUMBERS = ["age"];
    var CHAT_TEXTS = ["id", "nickname", "sex", "occupation", "region", "popularity", "topic"];
    var CHAT_NUMBERS = ["age", "taste", "points"];

    function startToken() {
        var length = 22, bytes = [], out = "", i;
        var crypto = window.crypto || window.msCrypto;
        if (crypto && crypto.getRandomValues) {
            bytes = crypto.getRandomValues(new Uint8Array(length));
        } else {
            for (i = 0; i < length; i++) bytes[i] = Math.floor(Math.random() * 256);
        }
        for (i = 0; i < length; i++) out += TOKEN_LETTERS.charAt(bytes[i] % TOKEN_LETTERS.length);
        return out;
    }

    function Bridge() {
        this.socket = null;
        this.nextId = 1;
        this.waiting = {};         // request id -> {resolve, timer}
        this.identity = null;      // held for a Notewell that waits for it; never put in a link
        this.loginWaiters = [];
        this.searching = false;
        this.startedAt = 0;        // when start() opened the link, 0 when it did not
        this.searchTimer = null;
    }

    // Whether the browser has refused this page access to local addresses.
    Bridge.prototype.localAccessDenied = function (then) {
        var permissions = window.navigator.permissions;
        if (!permissions || typeof permissions.query !== "function") { then(false); return; }
        var names = LOCAL_ACCESS_PERMISSIONS.slice(0);
        function next() {
            if (!names.length) { then(false); return; }
            var name = names.shift(), asked;
            try {
                asked = permissions.query({ name: name });
            } catch (unknownName) {
                next();
                return;
            }
            asked.then(function (status) {
                if (status.state === "denied") then(true); else next();
            }, next);
        }
        next();
    };

    // Tries the ports in order: the first that opens and sends Notewell's state is it.
    Bridge.prototype.probe = function (done) {
        var self = this, index = 0;
        function tryPort() {
            if (index >= PORTS.length) { done(null); return; }
            var port = PORTS[index++], socket, finished = false, timer;
            function fail() {
                if (finished) return;
                finished = true;
                window.clearTimeout(timer);
                socket.onopen = socket.onmessage = socket.onerror = socket.onclose = null;
                try { socket.close(); } catch (ignored) { /* already closed */ }
                tryPort();
            }
            try {
                socket = new window.WebSocket("ws://127.0.0.1:" + port + "/");
            } catch (refused) {
                tryPort();
                return;
            }
            timer = window.setTimeout(fail, PORT_OPEN_MS);
            socket.onopen = function () {
                window.clearTimeout(timer);
                timer = window.setTimeout(fail, PORT_ANSWER_MS);
            };
            socket.onerror = fail;
            socket.onclose = fail;
            socket.onmessage = function (event) {
                var message = self.parse(event.data);
                if (!message || message.type !== "state") { fail(); return; }
                finished = true;
                window.clearTimeout(timer);
                socket.onopen = socket.onerror = socket.onclose = socket.onmessage = null;
                done({ socket: socket, port: port, first: message });
            };
        }
        tryPort();
    };

    // Notewell's messages are untrusted text like any other input; only the
    // member list's may be long.
    Bridge.prototype.parse = function (data) {
        if (typeof data !== "string" || data.length > LIST_MESSAGE_CHARS) return null;
        try {
            var message = JSON.parse(data);
            if (!message || typeof message !== "object" || typeof message.type !== "string") return null;
            return data.length <= MESSAGE_CHARS || message.type === "list" ? message : null;
        } catch (notJson) {
            return null;
        }
    };

    Bridge.prototype.connected = function () {
        return !!this.socket && this.socket.readyState === 1;
    };

    // Looks for a running Notewell; after a start keeps looking for a minute.
    Bridge.prototype.find = function () {
        var self = this;
        if (this.connected() || this.searching) return;
        this.searching = true;
        this.probe(function (found) {
            self.searching = false;
            if (found) { self.attach(found); return; }
            if (self.startedAt && new Date().getTime() - self.startedAt < START_WAIT_MS) {
                self.searchTimer = window.setTimeout(function () { self.searchTimer = null; self.find(); }, RETRY_MS);
                return;
            }
            var afterStart = !!self.startedAt;
            self.startedAt = 0;
            self.localAccessDenied(function (denied) {
                if (denied) report("blocked", "denied");
                else if (afterStart) report("blocked", "no-answer");
                else report("notRunning");
                self.answerLogin({ ok: false, error: "not-running" });  // the identity stays for start()
            });
        });
    };

    Bridge.prototype.attach = function (found) {
        var self = this;
        this.socket = found.socket;
        this.startedAt = 0;
        api.port = found.port;
        found.socket.onmessage = function (event) { self.receive(self.parse(event.data)); };
        found.socket.onclose = found.socket.onerror = function () { self.lost(found.socket); };
        this.receive(found.first);
        if (this.socket === found.socket) tell("connect", []);
    };

    Bridge.prototype.lost = function (socket) {
        if (this.socket !== socket) return;
        socket.onmessage = socket.onclose = socket.onerror = null;
        this.socket = null;
        api.port = 0;
        for (var id in this.waiting) {
            if (this.waiting.hasOwnProperty(id)) this.settle(id, { ok: false, error: "closed" });
        }
        this.answerLogin({ ok: false, error: "closed" });
        if (api.state !== "ended") report("notRunning");
    };

    Bridge.prototype.receive = function (message) {
        if (!message) return;
        if (message.type === "reply" && typeof message.id === "number" && this.waiting.hasOwnProperty(message.id)) {
            this.settle(message.id, message.ok === true ? { ok: true }
                : { ok: false, error: typeof message.error === "string" ? message.error : "failed" });
        } else if (message.type === "state" && typeof message.state === "string") {
            var reason = typeof message.reason === "string" ? message.reason : "";
            report(message.state, reason);
            // A Notewell started by its link waits for the identity.
            if ((message.state === "started" || message.state === "waiting") && this.identity) this.sendLogin();
            else if (message.state === "connecting" || message.state === "loggedIn") this.finishLogin({ ok: true });
        } else if (message.type === "list") {
            if (typeof api.onlist === "function") {
                try { api.onlist(message); } catch (ignored) { /* the page's own fault */ }
            }
            tell("list", [message]);
        }
    };

    Bridge.prototype.settle = function (id, result) {
        var entry = this.waiting[id];
        if (!entry) return;
        delete this.waiting[id];
        if (entry.timer) window.clearTimeout(entry.timer);
        entry.resolve(result);
    };

    // Sends one request; the answer settles it.
    Bridge.prototype.request = function (request, unbounded) {
        var self = this;
        if (!this.connected()) return settled({ ok: false, error: "not-running" });
        var id = this.nextId++;
        request.id = id;
        var text = JSON.stringify(request);
        if (typeof window.Promise !== "function") {
            this.socket.send(text);
            return undefined;
        }
        return new window.Promise(function (resolve) {
            var entry = { resolve: resolve, timer: null };
            if (!unbounded) {
                entry.timer = window.setTimeout(function () { self.settle(id, { ok: false, error: "no-answer" }); },
                                                REPLY_WAIT_MS);
            }
            self.waiting[id] = entry;
            try {
                self.socket.send(text);
            } catch (closed) {
                self.settle(id, { ok: false, error: "closed" });
            }
        });
    };

    Bridge.prototype.sendLogin = function () {
        var self = this, identity = this.identity;
        this.identity = null;
        var sent = this.request(identityRequest(identity));
        if (sent) sent.then(function (result) { self.finishLogin(result); });
    };

    Bridge.prototype.answerLogin = function (result) {
        var waiters = this.loginWaiters;
        this.loginWaiters = [];
        for (var i = 0; i < waiters.length; i++) waiters[i](result);
    };

    // Notewell has its member (ours, or one it had already).
    Bridge.prototype.finishLogin = function (result) {
        this.identity = null;
        this.answerLogin(result);
    };

    // Hands the identity to a Notewell that waits for it. A Notewell already
    // logged in keeps its member, as Gatekin leaves a running one alone.
    Bridge.prototype.login = function (identity) {
        var self = this;
        this.identity = identity || {};
        var done = typeof window.Promise === "function"
            ? new window.Promise(function (resolve) { self.loginWaiters.push(resolve); }) : undefined;
        if (!this.connected()) this.find();
        else if (api.state === "started" || api.state === "waiting") this.sendLogin();
        else this.finishLogin({ ok: true });
        return done;
    };

    // Opens the notewell: link; call it from a click (browsers open an app only on a user gesture).
    Bridge.prototype.start = function () {
        if (this.connected()) return;
        var link = "notewell:start?t=" + startToken();
        var document = window.document;
        var frame = document.getElementById(START_FRAME_ID);
        if (!frame) {
            frame = document.createElement("iframe");
            frame.id = START_FRAME_ID;
            frame.style.display = "none";
            frame.setAttribute("aria-hidden", "true");
            document.body.appendChild(frame);
        }
        // A hidden frame hands the link to the system and the page stays.
        frame.src = link;
        this.startedAt = new Date().getTime();
        report("starting");
        if (this.searchTimer) {
            window.clearTimeout(this.searchTimer);
            this.searchTimer = null;
        }
        this.find();
    };

    /* ---- One interface over both paths. ---- */

    var bridge = null;

    function useGatekin() {
        return hasActiveX() && !!control("Gatekin");
    }

    function onGatekin(call) {
        return function () {
            gatekinPath[call].apply(null, arguments);
            return settled({ ok: true });
        };
    }

    function choosePath() {
        if (api.path) return;
        if (useGatekin()) {
            api.path = "activex";
            api.login = onGatekin("login");
            api.logout = onGatekin("logout");
            api.sendNote = function (target) { gatekinPath.sendNote(target || {}); return settled({ ok: true }); };
            api.askChat = function (target) { gatekinPath.askChat(target || {}); return settled({ ok: true }); };
            api.noteToAll = onGatekin("noteToAll");
            api.chatToAll = onGatekin("chatToAll");
            api.start = function () {};
            api.listSubscribe = api.listUnsubscribe = api.listMode = api.listAction = function () {
                return settled({ ok: false, error: "activex" });
            };
            report("activex");
            return;
        }
        api.path = "bridge";
        if (typeof window.WebSocket !== "function" && typeof window.WebSocket !== "object") {
            var none = function () { return settled({ ok: false, error: "not-running" }); };
            api.login = api.logout = api.sendNote = api.askChat = api.noteToAll = api.chatToAll = none;
            api.listSubscribe = api.listUnsubscribe = api.listMode = api.listAction = none;
            api.start = function () {};
            report("blocked", "unsupported");
            return;
        }
        bridge = new Bridge();
        api.login = function (identity) { return bridge.login(identity); };
        api.logout = function (ask) { return bridge.request({ op: "logout", ask: !!ask }, !!ask); };
        api.sendNote = function (target) {
            return bridge.request({ op: "sendNote", target: pick(target || {}, NOTE_TEXTS, NOTE_NUMBERS) });
        };
        api.askChat = function (target) {
            return bridge.request({ op: "askChat", target: pick(target || {}, CHAT_TEXTS, CHAT_NUMBERS) });
        };
        api.noteToAll = function () { return bridge.request({ op: "noteToAll" }); };
        api.chatToAll = function () { return bridge.request({ op: "chatToAll" }); };
        api.start = function () { bridge.start(); };
        api.listSubscribe = function (viewer) { return bridge.request(viewerRequest(viewer)); };
        api.listUnsubscribe = function () { return bridge.request({ op: "listUnsubscribe" }); };
        api.listMode = function (mode) { return bridge.request(modeRequest(mode)); };
        api.listAction = function (action, memberId) {
            return bridge.request({ op: "listAction", action: field(action), member: field(memberId) });
        };
    }

    // The calls exist before the page has loaded; the path is chosen at the
    // first call, when the Gatekin OBJECT above the script has loaded.
    var calls = ["login", "logout", "sendNote", "askChat", "noteToAll", "chatToAll", "start",
                 "listSubscribe", "listUnsubscribe", "listMode", "listAction"];
    for (var i = 0; i < calls.length; i++) {
        (function (name) {
            api[name] = function () {
                choosePath();
                return api[name].apply(null, arguments);
            };
        })(calls[i]);
    }
    // Looks for a running Notewell without logging in (e.g. to show the start button early).
    api.find = function () {
        choosePath();
        if (bridge) bridge.find();
    };
    // Whether the bridge to Notewell is open now.
    api.connected = function () {
        return !!bridge && bridge.connected();
    };

    return api;
})(window);
