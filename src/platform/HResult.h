#pragma once

#include <cstdint>

namespace quabrel {

// Results of the capture engine's steps: negative is failure. The engine
// branches on exact values in places (S_OK only, S_FALSE as failure), so
// our media layer answers in the same vocabulary.
using HRESULT = int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT VFW_S_NOPREVIEWPIN = 0x0004027E;
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
// The device is held by another program.
inline constexpr HRESULT VFW_E_DEVICE_IN_USE = static_cast<HRESULT>(0x80040225u);

constexpr bool FAILED(HRESULT hr) { return hr < 0; }
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }

}  // namespace quabrel
