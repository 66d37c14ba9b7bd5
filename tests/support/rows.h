#pragma once

#include <QTest>

// Feeds a table of rows, each a struct with a `name`, to a data-driven test as one column.
template<typename Row, std::size_t N>
void addRows(const Row (&rows)[N])
{
    QTest::addColumn<Row>("row");
    for (const Row &row : rows)
        QTest::newRow(row.name) << row;
}
