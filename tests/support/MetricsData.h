#pragma once
// A small shop month by month, for the ERP figures: sales and notes in January to April 2025,
// cancelled ones, every payment type, two open cash registers (one without its opening
// movement), bills due before, on and after "today", serial items written off around it.
// Every amount is chosen so the figures can be worked out by hand; the tests that use the data
// set write those figures down next to the rows they come from (tests/metrics).

#include "tests/support/ErpFixture.h"

#include <QDateTime>

namespace velorix::testing {

// "Now" for the data set: Friday 14 March 2025, 10:00.
QDateTime metricsNow();

// Inserts the data set. The code columns vendas_master.situacao, nfe_master.situacao,
// nfce_master.situacao and vendas_fpg.tipo are widened to CHAR(3) first, so that a code such
// as O'X can be stored and matched.
void insertMetricsData(ErpFixture& erp);

}  // namespace velorix::testing
