// Connection points and their container. A ConnectionPoint keeps the sinks advised on one
// outgoing interface, by cookie; its references are its container's, which owns it.
// ConnectionPoints<Base> implements IConnectionPointContainer over the points an object adds,
// and offers the container only while there is at least one.
#pragma once

#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include <cstddef>
#include <map>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "harness/com/enumerator.h"
#include "platform/win32/com/object.h"

namespace tessaly::harness::com {

using win32::ComPtr;
using win32::com::ComObject;
using win32::com::Guard;
using win32::com::Make;

class ConnectionPoint : public ComObject<IConnectionPoint> {
  public:
    ConnectionPoint(IConnectionPointContainer& container, const IID& iid)
        : container_(container), iid_(iid) {}
    ~ConnectionPoint() override = default;

    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return container_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return container_.Release(); }

    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) noexcept override {
        if (!iid) {
            return E_POINTER;
        }
        *iid = iid_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE
    GetConnectionPointContainer(IConnectionPointContainer** out) noexcept override {
        if (!out) {
            return E_POINTER;
        }
        container_.AddRef();
        *out = &container_;
        return S_OK;
    }
    // The sink must answer for this outgoing interface, as Office requires.
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) noexcept override {
        if (!sink || !cookie) {
            return E_POINTER;
        }
        *cookie = 0;
        ComPtr<IDispatch> client;
        if (FAILED(sink->QueryInterface(iid_, client.putVoid())) || !client) {
            return CONNECT_E_CANNOTCONNECT;
        }
        return Guard([&] {
            const DWORD assigned = nextCookie_;
            sinks_.emplace(assigned, client);
            const HRESULT hr = Guard([&] { return connect(assigned, client); });
            if (FAILED(hr)) {
                sinks_.erase(assigned);
                return hr;
            }
            ++nextCookie_;
            *cookie = assigned;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) noexcept override {
        const auto it = sinks_.find(cookie);
        if (it == sinks_.end()) {
            return CONNECT_E_NOCONNECTION;
        }
        // Taken out first: letting the sink go may call back into this point.
        const ComPtr<IDispatch> sink = std::move(it->second);
        sinks_.erase(it);
        disconnect(cookie);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) noexcept override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        return Guard([&] {
            std::vector<CONNECTDATA> items;
            for (const auto& [cookie, sink] : sinks_) {
                items.push_back(CONNECTDATA{sink.get(), cookie});
            }
            *out = Make<Enumerator<IEnumConnections, CONNECTDATA>>(std::move(items)).detach();
            return S_OK;
        });
    }

    const IID& iid() const noexcept { return iid_; }
    std::size_t connections() const noexcept { return sinks_.size(); }
    // The advised sinks by cookie, each as this point's interface.
    const std::map<DWORD, ComPtr<IDispatch>>& sinks() const noexcept { return sinks_; }

  protected:
    // A sink was advised as `cookie`; a failure (returned or thrown) refuses it.
    [[nodiscard]] virtual HRESULT connect(DWORD /*cookie*/, const ComPtr<IDispatch>& /*sink*/) {
        return S_OK;
    }
    // The sink of `cookie` is no longer advised; it is released after this returns.
    virtual void disconnect(DWORD /*cookie*/) noexcept {}

  private:
    IConnectionPointContainer& container_;
    IID iid_;
    DWORD nextCookie_ = 1;
    std::map<DWORD, ComPtr<IDispatch>> sinks_;
};

template <class Base>
class ConnectionPoints : public Base {
    static_assert(std::is_base_of_v<IConnectionPointContainer, Base>,
                  "ConnectionPoints implements IConnectionPointContainer");

  public:
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) noexcept override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        return Guard([&] {
            std::vector<IConnectionPoint*> items;
            for (const auto& point : points_) {
                items.push_back(point.get());
            }
            *out = Make<Enumerator<IEnumConnectionPoints, IConnectionPoint*>>(std::move(items))
                       .detach();
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid,
                                                  IConnectionPoint** out) noexcept override {
        if (!out) {
            return E_POINTER;
        }
        *out = findConnectionPoint(iid);
        if (!*out) {
            return CONNECT_E_NOCONNECTION;
        }
        (*out)->AddRef();
        return S_OK;
    }

    // The sinks advised on all points.
    std::size_t connections() const noexcept {
        std::size_t total = 0;
        for (const auto& point : points_) {
            total += point->connections();
        }
        return total;
    }

  protected:
    using Base::Base;

    // Adds the point of outgoing interface `iid`: Point derives from ConnectionPoint and
    // takes the container and the IID first.
    template <class Point = ConnectionPoint, class... Args>
    Point& addConnectionPoint(const IID& iid, Args&&... args) {
        auto point = std::make_unique<Point>(static_cast<IConnectionPointContainer&>(*this), iid,
                                             std::forward<Args>(args)...);
        Point& added = *point;
        points_.push_back(std::move(point));
        return added;
    }
    ConnectionPoint* findConnectionPoint(REFIID iid) const noexcept {
        for (const auto& point : points_) {
            if (point->iid() == iid) {
                return point.get();
            }
        }
        return nullptr;
    }

    void* resolve(REFIID iid, void* found) noexcept override {
        if (iid == IID_IConnectionPointContainer && points_.empty()) {
            return nullptr;
        }
        return Base::resolve(iid, found);
    }

  private:
    std::vector<std::unique_ptr<ConnectionPoint>> points_;
};

}  // namespace tessaly::harness::com
