// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One visitor made of several lambdas, for std::visit.
template <typename... T> struct TOverloaded : T... { using T::operator()...; };
// Spelled out for compilers without class template argument deduction for aggregates.
template <typename... T> TOverloaded(T...) -> TOverloaded<T...>;
