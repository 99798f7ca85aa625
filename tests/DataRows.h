// SPDX-License-Identifier: MIT
#pragma once

#include <QTest>

namespace qie::test {

// A table's columns named in one call, and fetched by the same names into a structured binding.
template<class... T> void columns(const auto &...names)
{
    (QTest::addColumn<T>(names), ...);
}
template<class... T> std::tuple<T...> fetch(const auto &...names)
{
    return { *static_cast<T *>(QTest::qData(names, qMetaTypeId<T>()))... };
}

} // namespace qie::test
