// Connection points: how an object hands events to the sinks advised on it.
//
// Only what event sources of the platform need: a container that finds the
// connection point for an event interface, and the point's Advise/Unadvise.
#pragma once

#include "platform/base/com.h"

struct IConnectionPoint;
struct IEnumConnectionPoints;
struct IEnumConnections;

struct IConnectionPointContainer : IUnknown {
  STDMETHOD(EnumConnectionPoints)(IEnumConnectionPoints** points) PURE;  // E_NOTIMPL here
  STDMETHOD(FindConnectionPoint)(REFIID riid, IConnectionPoint** point) PURE;

 protected:
  ~IConnectionPointContainer() override = default;
};
PV_DECLARE_UUID(IConnectionPointContainer, "B196B284-BAB4-101A-B69C-00AA00341D07");
constexpr IID IID_IConnectionPointContainer = __uuidof(IConnectionPointContainer);

struct IConnectionPoint : IUnknown {
  STDMETHOD(GetConnectionInterface)(IID* iid) PURE;
  STDMETHOD(GetConnectionPointContainer)(IConnectionPointContainer** container) PURE;
  // Asks `sink` for the event interface; the point keeps one reference until Unadvise.
  STDMETHOD(Advise)(IUnknown* sink, DWORD* cookie) PURE;
  STDMETHOD(Unadvise)(DWORD cookie) PURE;
  STDMETHOD(EnumConnections)(IEnumConnections** connections) PURE;  // E_NOTIMPL here

 protected:
  ~IConnectionPoint() override = default;
};
PV_DECLARE_UUID(IConnectionPoint, "B196B286-BAB4-101A-B69C-00AA00341D07");
constexpr IID IID_IConnectionPoint = __uuidof(IConnectionPoint);
