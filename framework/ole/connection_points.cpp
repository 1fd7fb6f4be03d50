#include "connection_points.h"

#include <new>

#include "ole_module.h"

namespace {

// A reference-counted snapshot enumerator over interfaces (T*) or CONNECTDATA.
template <class Interface, class Item, const IID* EnumIid>
class CSnapshotEnum : public Interface {
public:
    explicit CSnapshotEnum(std::vector<Item> items) : m_items(std::move(items)) {
        for (Item& item : m_items) Hold(item);
        OleModuleAddRef();
    }
    virtual ~CSnapshotEnum() {
        for (Item& item : m_items) Drop(item);
        OleModuleRelease();
    }
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == IID_IUnknown || iid == *EnumIid) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG n = ::InterlockedDecrement(&m_refs);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }
    STDMETHODIMP Next(ULONG count, Item* out, ULONG* fetched) override {
        if (!out || (count > 1 && !fetched)) return E_POINTER;
        ULONG n = 0;
        while (n < count && m_position < m_items.size()) {
            out[n] = m_items[m_position++];
            Hold(out[n]);
            ++n;
        }
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        const size_t left = m_items.size() - m_position;
        if (count > left) {
            m_position = m_items.size();
            return S_FALSE;
        }
        m_position += count;
        return S_OK;
    }
    STDMETHODIMP Reset() override {
        m_position = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(Interface** result) override {
        if (!result) return E_POINTER;
        auto* copy = new (std::nothrow) CSnapshotEnum(m_items);
        if (!copy) return E_OUTOFMEMORY;
        copy->m_position = m_position;
        *result = copy;
        return S_OK;
    }

private:
    static void Hold(IConnectionPoint* p) { p->AddRef(); }
    static void Drop(IConnectionPoint* p) { p->Release(); }
    static void Hold(CONNECTDATA& d) { d.pUnk->AddRef(); }
    static void Drop(CONNECTDATA& d) { d.pUnk->Release(); }
    std::vector<Item> m_items;
    size_t m_position = 0;
    LONG m_refs = 1;
};

using CEnumPoints = CSnapshotEnum<IEnumConnectionPoints, IConnectionPoint*, &IID_IEnumConnectionPoints>;
using CEnumConnections = CSnapshotEnum<IEnumConnections, CONNECTDATA, &IID_IEnumConnections>;

}  // namespace

CConnectionPoint::CConnectionPoint(IConnectionPointContainer* owner, REFIID iid, bool acceptsDispatch)
    : m_owner(owner), m_iid(iid), m_acceptsDispatch(acceptsDispatch) {}

CConnectionPoint::~CConnectionPoint() { ReleaseAll(); }

void CConnectionPoint::ReleaseAll() {
    std::vector<Connection> connections;
    connections.swap(m_connections);
    for (Connection& c : connections) c.sink->Release();
}

STDMETHODIMP CConnectionPoint::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
        *object = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CConnectionPoint::AddRef() { return m_owner->AddRef(); }
STDMETHODIMP_(ULONG) CConnectionPoint::Release() { return m_owner->Release(); }

STDMETHODIMP CConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = m_iid;
    return S_OK;
}

STDMETHODIMP CConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (!container) return E_POINTER;
    *container = m_owner;
    m_owner->AddRef();
    return S_OK;
}

STDMETHODIMP CConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    // An event sink may implement the event interface itself or plain IDispatch.
    IUnknown* held = nullptr;
    if (FAILED(sink->QueryInterface(m_iid, reinterpret_cast<void**>(&held))) &&
        (!m_acceptsDispatch || FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&held)))))
        return CONNECT_E_CANNOTCONNECT;
    m_connections.push_back({m_nextCookie, held});
    *cookie = m_nextCookie++;
    return S_OK;
}

STDMETHODIMP CConnectionPoint::Unadvise(DWORD cookie) {
    for (auto it = m_connections.begin(); it != m_connections.end(); ++it) {
        if (it->cookie == cookie) {
            IUnknown* sink = it->sink;
            m_connections.erase(it);
            sink->Release();
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

STDMETHODIMP CConnectionPoint::EnumConnections(IEnumConnections** connections) {
    if (!connections) return E_POINTER;
    std::vector<CONNECTDATA> items;
    for (const Connection& c : m_connections) items.push_back({c.sink, c.cookie});
    *connections = new (std::nothrow) CEnumConnections(items);
    return *connections ? S_OK : E_OUTOFMEMORY;
}

std::vector<IUnknown*> CConnectionPoint::Sinks() const {
    std::vector<IUnknown*> sinks;
    for (const Connection& c : m_connections) sinks.push_back(c.sink);
    return sinks;
}

HRESULT CreateConnectionPointEnumerator(const std::vector<IConnectionPoint*>& points,
                                        IEnumConnectionPoints** result) {
    if (!result) return E_POINTER;
    *result = new (std::nothrow) CEnumPoints(points);
    return *result ? S_OK : E_OUTOFMEMORY;
}
