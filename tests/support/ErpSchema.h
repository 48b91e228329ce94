#pragma once
// The schema lives with the ERP helpers outside the tests (the demo generator uses it too).
#include "erp/ErpSchema.h"

namespace velorix::testing {
using velorix::erp::erpSchemaStatements;
}  // namespace velorix::testing
