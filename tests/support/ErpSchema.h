#pragma once

#include <QStringList>

namespace velorix::testing {

// The ERP database schema (Firebird, dialect 3), one DDL statement per entry, in the order
// they must run. The database itself is created with DEFAULT CHARACTER SET WIN1252.
QStringList erpSchemaStatements();

}  // namespace velorix::testing
