// Connection points of a control: the event source and the property change
// notifications. They keep their sinks; the control decides what to fire.
#pragma once
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <vector>

class CConnectionPoint : public IConnectionPoint {
public:
    // `owner` is the container object: the point lives inside it and shares its
    // references. An event point (a dispatch interface) also takes sinks that
    // implement only IDispatch; a point of a plain interface takes only that interface.
    CConnectionPoint(IConnectionPointContainer* owner, REFIID iid, bool acceptsDispatch);
    ~CConnectionPoint();
    CConnectionPoint(const CConnectionPoint&) = delete;
    CConnectionPoint& operator=(const CConnectionPoint&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** connections) override;

    const IID& Iid() const { return m_iid; }
    void SetIid(REFIID iid) { m_iid = iid; }
    // The sinks as advised (each holds the interface of this point, or IDispatch).
    std::vector<IUnknown*> Sinks() const;
    void ReleaseAll();

private:
    struct Connection {
        DWORD cookie;
        IUnknown* sink;
    };
    IConnectionPointContainer* m_owner;
    IID m_iid;
    bool m_acceptsDispatch;
    std::vector<Connection> m_connections;
    DWORD m_nextCookie = 1;
};

// Enumerator over a copy of the connection points (each one referenced).
HRESULT CreateConnectionPointEnumerator(const std::vector<IConnectionPoint*>& points,
                                        IEnumConnectionPoints** result);
