#pragma once
// A window connected to a fresh ERP database holding the metrics data set, its clock at the
// data set's "now". Each test process builds its own database.

#include "metrics/uConsultas.h"
#include "tests/metrics/QtPrinters.h"
#include "shell/Principal.h"
#include "tests/support/ErpFixture.h"
#include "tests/support/FormHarness.h"
#include "tests/support/MetricsData.h"

#include <gtest/gtest.h>

#include <memory>

namespace velorix::metricstest {

class MetricsTest : public ::testing::Test {
protected:
    void SetUp() override {
        erp = velorix::testing::ErpFixture::create(QStringLiteral("metrics"));
        velorix::testing::insertMetricsData(*erp);
        h.write("Banco.ini", erp->bancoIni().toUtf8());
        form = &h.make();
        ASSERT_TRUE(form->conexao().connected()) << form->Memo_log.Text.toStdString();
        h.fakes.clock->set(velorix::testing::metricsNow());
        unit = std::make_unique<uConsultas>(contextoDe(*form));
        qryAux = std::make_unique<ErpQuery>(form->conexao().database());
    }

    void TearDown() override {
        qryAux.reset();
        unit.reset();
        h.form.reset();
    }

    void switches(bool vendas, bool nfe) {
        form->chkSincVendas.Checked = vendas;
        form->chkSincNFe.Checked = nfe;
    }

    std::unique_ptr<velorix::testing::ErpFixture> erp;
    velorix::testing::FormHarness h;
    TForm1* form = nullptr;
    std::unique_ptr<uConsultas> unit;
    std::unique_ptr<ErpQuery> qryAux;
};

}  // namespace velorix::metricstest
