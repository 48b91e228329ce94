#include "uploads/DetailUploads.h"

#include "metrics/ErpQuery.h"
#include "shell/Formats.h"
#include "shell/Principal.h"
#include "summary/FormClient.h"
#include "uploads/DetailTransport.h"
#include "uploads/JsonText.h"

#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <stdexcept>

namespace velorix {

namespace {

// The statements as the ERP runs them (the profit margin divides through NULLIF: a day whose
// line totals sum to zero gets an empty margin instead of failing the whole upload).
const char* const sqlVendas =
    "SELECT codigo, flag_nfce, hora, data_emissao, total, situacao FROM vendas_master  WHERE situacao NOT IN ('X', 'G') AND data_emissao BETWEEN :data1 AND :data2 AND total > 0";
const char* const sqlVendasFiscal =
    "SELECT numero, data_emissao, total, nome FROM nfe_master  WHERE situacao = '2' and importou <> 'D' AND data_emissao BETWEEN :data1 AND :data2 AND total > 0";
const char* const sqlForma =
    "SELECT forma_pgto.descricao, nt.data_emissao, vd.codigo, vd.vendas_master, vd.situacao, SUM(vd.TOTAL) AS valor FROM vendas_fpg vd INNER JOIN forma_pagamento forma_pgto ON forma_pgto.codigo = vd.id_forma INNER JOIN vendas_master nt ON nt.codigo = vd.vendas_master WHERE nt.situacao = 'F' AND vd.TIPO <> 'T' AND vd.TOTAL > 0 AND vd.situacao = 'F' AND nt.data_emissao BETWEEN :data1 AND :data2 GROUP BY forma_pgto.descricao, nt.data_emissao, vd.codigo, vd.vendas_master, vd.situacao ";
const char* const sqlFormaNfce =
    "SELECT forma_pgto.descricao, nt.data_emissao, vd.codigo, vd.situacao, SUM(vd.TOTAL) AS valor FROM vendas_fpg vd INNER JOIN forma_pagamento forma_pgto ON forma_pgto.codigo = vd.id_forma INNER JOIN nfce_master nt ON nt.fk_venda = vd.vendas_master WHERE nt.situacao = 'T' AND vd.TIPO <> 'T' AND vd.TOTAL > 0 AND vd.situacao = 'F' AND nt.data_emissao BETWEEN :data1 AND :data2 GROUP BY forma_pgto.descricao, nt.data_emissao, vd.situacao, vd.codigo";
const char* const sqlPagar =
    "SELECT Cp.*, pessoa.razao FROM cpagar CP LEFT JOIN pessoa ON pessoa.codigo = cp.fkfornece WHERE cp.codigo > 0 AND cp.DTVENCIMENTO >= :data1 AND cp.DTVENCIMENTO <= :data2 AND CP.situacao <> 'X' /*ordem*/";
const char* const sqlReceber =
    "select CR.*, pessoa.razao, ved.nome as vendedor from creceber CR left join pessoa on pessoa.codigo=cr.fkcliente left join vendedores ved on ved.codigo=cr.id_vendedor WHERE cr.codigo > 0 AND cr.DTVENCIMENTO >= :data1 AND cr.DTVENCIMENTO <= :data2 AND cr.situacao <> 'T' /*ordem*/";
const char* const sqlLucro =
    "SELECT vm.data_emissao, SUM(vd.total - (vd.pr_custo * vd.qtd)) AS TotalLucro, (SUM(vd.total - (vd.pr_custo * vd.qtd)) / NULLIF(SUM(vd.total), 0)) * 100 AS MargemPercentual FROM VENDAS_DETALHE vd LEFT JOIN vendas_master vm ON vm.codigo = vd.fkvenda LEFT JOIN VENDAS_FPG vf ON vf.vendas_master = vd.fkvenda WHERE vm.data_emissao BETWEEN :data1 AND :data2 AND vf.tipo <> 'T' GROUP BY vm.data_emissao ORDER BY vm.data_emissao";
const char* const sqlProdutosMais =
    "SELECT FIRST 10        COUNT(vd.qtd) AS qtd,        p.descricao,  p.codigo,        vd.fkvenda FROM vendas_detalhe vd INNER JOIN vendas_master vm ON vd.fkvenda = vm.codigo INNER JOIN produto p ON vd.id_produto = p.codigo WHERE (vm.situacao = 'F') AND (vd.situacao = 'F') AND (vm.data_emissao BETWEEN :data1 AND :data2) GROUP BY p.descricao, p.codigo, vd.fkvenda ORDER BY qtd DESC;";
const char* const sqlCompras =
    "SELECT id, dtemissao, nr_nota, status, total FROM compra WHERE dtemissao BETWEEN :data1 AND :data2 AND   status <> 'A' AND   total > 0 ";
const char* const sqlQualidade =
    "SELECT ps.codigo, pro.descricao, ps.id_produto, ps.situacao, ps.data_baixa, ps.numero_serie, ps.quantidade FROM produto_serial ps LEFT JOIN produto pro ON pro.codigo = ps.id_produto WHERE ps.situacao <> 'C' and ps.DATA_BAIXA BETWEEN :data1 AND :data2";

using C = Conversion;

// The bills' record, shared by payables and receivables.
std::vector<DetailField> billFields() {
    return {{"codigo", "codigo", C::Text},       {"fk_venda", "doc", C::Text},
            {"data_emissao", "DTVENCIMENTO", C::DateTime}, {"descricao", "historico", C::Text},
            {"valor", "valor", C::Number},       {"situacao", "situacao", C::Text}};
}

enum RoutineId {
    rTotalVendas,
    rTotalVendasFICAL,
    rFormadepagamento,
    rFormadepagamentoNfce,
    rContasapagar,
    rReceber,
    rLucratividade,
    rProdutosMais,
    rCompras,
    rQualidade,
};

const DetailRoutine& routine(RoutineId id) {
    static const DetailRoutine table[] = {
        {sqlVendas, false, "vendas", "api_vendas.php",
         {{"codigo", "codigo", C::Text},
          {"fk_venda", "flag_nfce", C::Text},
          {"descricao", "hora", C::Time},
          {"data_emissao", "data_emissao", C::DateTime},
          {"valor", "total", C::Number},
          {"situacao", "situacao", C::Text}},
         "VENDAS ", "Nenhum CANCELADOS encontrado.", "CANCELADO "},
        {sqlVendasFiscal, false, "venda_nfe", "api_vendas_fiscal.php",
         {{"codigo", "numero", C::Text},
          {"data_emissao", "data_emissao", C::DateTime},
          {"total", "total", C::Number},
          {"situacao", "nome", C::Text}},
         "NFE ", "Nenhum VENDA NFE encontrado.", "FISCAL "},
        {sqlForma, false, "forma", "api_forma.php",
         {{"codigo", "codigo", C::Text},
          {"fk_venda", "vendas_master", C::Text},
          {"data_emissao", "data_emissao", C::DateTime},
          {"descricao", "descricao", C::Text},
          {"valor", "valor", C::Number},
          {"situacao", "situacao", C::Text}},
         "FORMA ", QStringLiteral("Tabela Forma não fiscal vazia."), ""},
        {sqlFormaNfce, false, "nfce", "api_nfce.php",
         {{"codigo", "codigo", C::Text},
          {"data_emissao", "data_emissao", C::DateTime},
          {"descricao", "descricao", C::Text},
          {"valor", "valor", C::Number},
          {"situacao", "situacao", C::Text}},
         "nfce ", "Tabela Forma fiscal vazia.", ""},
        {sqlPagar, true, "pagar", "api_pagar.php", billFields(), "A PAGAR ", "Tabela Pagar vazia.", ""},
        {sqlReceber, true, "receber", "api_receber.php", billFields(), "RECEBER ", "Tabela Pagar Receber.", ""},
        {sqlLucro, false, "lucro", "api_lucro.php",
         {{"fk_venda", "MargemPercentual", C::Text},
          {"descricao", "", C::ClockMonthYear},
          {"data_emissao", "data_emissao", C::DateTime},
          {"valor", "TotalLucro", C::Number}},
         "LUCRO", QStringLiteral("Lucro não encontrado."), ""},
        {sqlProdutosMais, false, "produto_mais", "api_produto_mais.php",
         {{"codigo", "codigo", C::Text}, {"fk_venda", "qtd", C::Text}, {"descricao", "descricao", C::Text}},
         "PRODUTO MAIS ", "Nenhum Produto encontrado.", "", true},
        {sqlCompras, false, "compras", "api_compras.php",
         {{"codigo", "id", C::Text},
          {"fk_venda", "nr_nota", C::Text},
          {"data_emissao", "dtemissao", C::DateTime},
          {"total", "total", C::Number},
          {"situacao", "status", C::Text}},
         "COMPRAS ", "Tabela compras vazia.", ""},
        {sqlQualidade, true, "qualidade", "api_qualidade.php",
         {{"codigo", "codigo", C::Text},
          {"fk_venda", "numero_serie", C::Text},
          {"descricao", "descricao", C::Text},
          {"lote", "numero_serie", C::Text},
          {"data_emissao", "DATA_BAIXA", C::DateTime},
          {"valor", "quantidade", C::Number},
          {"situacao", "situacao", C::Text}},
         "QUALDIDADE ", "Nenhum Qualidade encontrado.", "Erro na QUALIDADE "},
    };
    return table[id];
}

// The driver's message on one line: the server's status vector comes in several. Some
// failures (a statement on a closed connection) carry no text at all.
std::runtime_error dbError(const QSqlError& e) {
    QString text = e.text().trimmed();
    if (text.isEmpty()) text = QStringLiteral("ERP database error");
    text.replace("\r\n", " ").replace('\n', ' ').replace('\r', ' ');
    return std::runtime_error(text.toStdString());
}

// A CHAR column (SQL_TEXT, the low bit marks nullability) arrives padded to its byte length.
constexpr int kSqlText = 452;

struct Column {
    int index = -1;
    bool fixedChar = false;
};

QString textValue(const QVariant& v, bool fixedChar, QChar decimalSeparator) {
    if (v.isNull()) return {};
    switch (v.metaType().id()) {
    case QMetaType::Double:
    case QMetaType::Float: {
        // A computed figure as the data layer shows it: the regional decimal mark.
        QString s = QString::fromLatin1(FormatNumber(v.toDouble()));
        if (decimalSeparator != QChar('.')) s.replace('.', decimalSeparator);
        return s;
    }
    case QMetaType::QString: {
        QString s = v.toString();
        if (fixedChar) {
            qsizetype end = s.size();
            while (end > 0 && s[end - 1] == QChar(' ')) --end;
            s.truncate(end);
        }
        return s;
    }
    default:
        return v.toString();
    }
}

// Runs the routine's statement and writes its envelope into `body`; false when it has no row.
// The query (and its transaction) ends before anything goes on the wire.
bool writeDocument(TForm1& form, const DetailRoutine& r, const QString& mesAno, QChar decimalSeparator,
                   QByteArray& body) {
    QString sql = r.statement;
    if (r.orderPlaceholder) {
        form.vSql1.clear();
        form.vSql1 = r.statement;
        form.vOrdem = "ORDER BY codigo ";
        sql = QString(form.vSql1).replace("/*ordem*/", form.vOrdem);
    }
    const QSqlDatabase db = form.conexao().database();
    requireOpen(db);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql)) throw dbError(q.lastError());
    q.bindValue(":data1", form.DataInicio);
    q.bindValue(":data2", form.DataFim);
    if (!q.exec()) throw dbError(q.lastError());
    TraceErpStatement(sql, [&form](int, const QString& name) {
        return name.compare(QLatin1String("data1"), Qt::CaseInsensitive) == 0 ? form.DataInicio : form.DataFim;
    });
    if (!q.next()) {
        if (q.lastError().isValid()) throw dbError(q.lastError());
        return false;
    }

    const QSqlRecord rec = q.record();
    std::vector<Column> cols;
    cols.reserve(r.fields.size());
    for (const DetailField& f : r.fields) {
        Column c;
        if (f.conversion != C::ClockMonthYear) {
            c.index = rec.indexOf(f.column);
            if (c.index < 0) throw std::runtime_error(("Field '" + f.column + "' not found").toStdString());
            c.fixedChar = (rec.field(c.index).typeID() & ~1) == kSqlText;
        }
        cols.push_back(c);
    }

    JsonText json(body);
    json.beginObject();
    json.key(r.listKey);
    json.beginArray();
    do {
        json.beginObject();
        for (size_t i = 0; i < r.fields.size(); ++i) {
            const DetailField& f = r.fields[i];
            json.key(f.key);
            if (f.conversion == C::ClockMonthYear) {
                json.string(mesAno);
                continue;
            }
            const QVariant v = q.value(cols[i].index);
            switch (f.conversion) {
            case C::Text: json.string(textValue(v, cols[i].fixedChar, decimalSeparator)); break;
            case C::Number: json.number(v.isNull() ? 0.0 : v.toDouble()); break;
            case C::DateTime: AppendDateTimeText(json, v); break;
            case C::Time: AppendTimeText(json, v); break;
            case C::ClockMonthYear: break;
            }
        }
        json.endObject();
    } while (q.next());
    // A row that fails to fetch ends the loop like the last row does; a cut-short list must not go out.
    if (q.lastError().isValid()) throw dbError(q.lastError());
    json.endArray();
    json.endObject();
    return true;
}

QString messageOf(const std::exception& e) { return QString::fromUtf8(e.what()); }

}  // namespace

void RunDetailUpload(TForm1& form, const DetailRoutine& r) {
    const QString outerPrefix = r.bestSeller ? QStringLiteral("Erro geral: ") : r.failurePrefix;
    try {
        const RegionalSettings rs = form.platform().regional->settings();
        QString mesAno;
        for (const DetailField& f : r.fields) {
            if (f.conversion == C::ClockMonthYear) mesAno = FormatDateTime("mmyyyy", form.platform().clock->now(), rs);
        }
        QByteArray body;
        if (!writeDocument(form, r, mesAno, rs.decimalSeparator, body)) {
            form.log(r.noRowsLine);
            return;
        }

        DetailRequestOptions options;
        options.caFile = form.IdHTTP1().caFile();
        options.olderTls = r.bestSeller;
        options.connectTimeoutMs = r.bestSeller ? form.produtosMaisConnectTimeoutMs : form.detailConnectTimeoutMs;
        options.readTimeoutMs = r.bestSeller ? form.produtosMaisReadTimeoutMs : form.detailReadTimeoutMs;

        if (!r.bestSeller) {
            const QString url = form.edtEmpresa.Text + "/" + form.vCNPJ + "/" + r.endpointFile;
            form.log(r.successPrefix + PostJson(url, body, options));
            return;
        }
        try {
            const QString url = form.edtEmpresa.Text + "/" + form.vCNPJ + "/" + r.endpointFile;
            form.log(r.successPrefix + PostJson(url, body, options));
        } catch (const DetailRequestError& e) {
            if (e.statusFailure()) {
                form.log("Erro HTTP: " + messageOf(e) + " - " + e.body());
            } else {
                form.log("Erro: " + messageOf(e));
            }
        } catch (const std::exception& e) {
            form.log("Erro: " + messageOf(e));
        }
    } catch (const std::exception& e) {
        form.log(outerPrefix + messageOf(e));
    }
}

void TForm1::TotalVendas() { RunDetailUpload(*this, routine(rTotalVendas)); }
void TForm1::TotalVendasFICAL() { RunDetailUpload(*this, routine(rTotalVendasFICAL)); }
void TForm1::formadepagamento() { RunDetailUpload(*this, routine(rFormadepagamento)); }
void TForm1::formadepagamento_nfce() { RunDetailUpload(*this, routine(rFormadepagamentoNfce)); }
void TForm1::contasapagar() { RunDetailUpload(*this, routine(rContasapagar)); }
void TForm1::receber() { RunDetailUpload(*this, routine(rReceber)); }
void TForm1::lucratividade() { RunDetailUpload(*this, routine(rLucratividade)); }
void TForm1::produtos_mais() { RunDetailUpload(*this, routine(rProdutosMais)); }
void TForm1::compras() { RunDetailUpload(*this, routine(rCompras)); }
void TForm1::Qualidade() { RunDetailUpload(*this, routine(rQualidade)); }

}  // namespace velorix
