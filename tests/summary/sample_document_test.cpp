#include "summary/SampleDocument.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <functional>

using velorix::SampleDocument;

namespace {

const QStringList kMonths = {"janeiro", "feveiro", "marco",    "abril",   "maio",     "junho",
                             "julho",   "agosto",  "setembro", "outubro", "novembro", "dezembro"};

// QJsonObject sorts its keys, so the order is read from the text: one member per line, two spaces
// per level. A line holding only "{" opens an array item, named "[k]" in the path.
struct Layout {
    QStringList keyPaths;  // "a/b/c" for every member line, in text order
    QString error;
};

Layout readLayout(const QString& text) {
    static const QRegularExpression keyLine(QString::fromUtf8(R"re(^( *)"([^"]+)": )re"));
    static const QRegularExpression itemLine(QString::fromUtf8(R"re(^( *)\{$)re"));
    Layout layout;
    QStringList stack{QString()};  // stack[d] names what is open at depth d; [0] is the root
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    for (const QString& line : lines) {
        auto key = keyLine.match(line);
        auto item = key.hasMatch() ? QRegularExpressionMatch() : itemLine.match(line);
        const auto& m = key.hasMatch() ? key : item;
        if (!m.hasMatch()) continue;
        const qsizetype indent = m.capturedLength(1);
        const qsizetype depth = indent / 2;
        if (!key.hasMatch() && indent == 0) continue;  // the root's own brace
        if (indent % 2 != 0 || depth < 1 || depth > stack.size()) {
            layout.error = QStringLiteral("bad indent: ") + line;
            return layout;
        }
        QString name;
        if (key.hasMatch()) {
            name = key.captured(2);
        } else {
            const bool next = stack.size() > depth && stack[depth].startsWith('[');
            const int index = next ? stack[depth].mid(1).chopped(1).toInt() + 1 : 0;
            name = QStringLiteral("[%1]").arg(index);
        }
        stack.resize(depth);
        stack.append(name);
        if (key.hasMatch()) layout.keyPaths << stack.mid(1).join('/');
    }
    return layout;
}

QStringList childrenOf(const QStringList& keyPaths, const QString& parent) {
    QStringList out;
    const QString prefix = parent.isEmpty() ? QString() : parent + '/';
    for (const QString& path : keyPaths) {
        if (!path.startsWith(prefix)) continue;
        const QString rest = path.mid(prefix.size());
        if (!rest.contains('/')) out << rest;
    }
    return out;
}

QJsonValue valueAt(const QJsonValue& root, const QString& path) {
    QJsonValue v = root;
    for (const QString& seg : path.split('/')) {
        if (seg.startsWith('['))
            v = v.toArray().at(seg.mid(1).chopped(1).toInt());
        else
            v = v.toObject().value(seg);
    }
    return v;
}

int countMembers(const QJsonValue& v) {
    int n = 0;
    if (v.isObject()) {
        const QJsonObject o = v.toObject();
        for (auto it = o.begin(); it != o.end(); ++it) n += 1 + countMembers(it.value());
    } else if (v.isArray()) {
        for (const QJsonValue& item : v.toArray()) n += countMembers(item);
    }
    return n;
}

struct Parsed {
    QJsonValue root;
    Layout layout;
};

Parsed parseSample() {
    QJsonParseError err{};
    const QJsonDocument doc = QJsonDocument::fromJson(SampleDocument().toUtf8(), &err);
    EXPECT_EQ(err.error, QJsonParseError::NoError) << err.errorString().toStdString();
    EXPECT_TRUE(doc.isObject());
    return {QJsonValue(doc.object()), readLayout(SampleDocument())};
}

}  // namespace

TEST(SampleDocument, IsJsonOverWindowsLinesWhoseIndentMatchesItsNesting) {
    const QString text = SampleDocument();
    EXPECT_GT(text.count(QStringLiteral("\r\n")), 100);
    EXPECT_EQ(text.count('\n'), text.count(QStringLiteral("\r\n")));
    EXPECT_EQ(text.count('\r'), text.count(QStringLiteral("\r\n")));

    const Parsed p = parseSample();
    ASSERT_TRUE(p.layout.error.isEmpty()) << p.layout.error.toStdString();
    // Every member of the parsed document has a line of its own, at the depth it is nested at.
    EXPECT_EQ(p.layout.keyPaths.size(), countMembers(p.root));
    for (const QString& path : p.layout.keyPaths)
        EXPECT_FALSE(valueAt(p.root, path).isUndefined()) << path.toStdString();
}

TEST(SampleDocument, MembersComeInTheOrderOfTheBuiltDocument) {
    const Parsed p = parseSample();
    ASSERT_TRUE(p.layout.error.isEmpty()) << p.layout.error.toStdString();
    const QString report = QStringLiteral("lucrosPresumidos/relatorioVendas");
    const QList<std::pair<QString, QStringList>> expected = {
        {"",
         {"notasFiscais", "vendas", "f_pagamentos", "caixa", "cadastros", "contasReceber",
          "contasPagar", "caixasAbertos", "topProdutos", "lucrosPresumidos"}},
        {"notasFiscais", {"TotalEnviadas", "TotalCanceladas", "TotalContigencia"}},
        {"vendas", {"canceladas", "concluidas"}},
        {"f_pagamentos", {"dinheiro", "credito", "debito", "pix", "prazo"}},
        {"caixa", {"saldo", "entradas", "saidas", "saldoAtual", "EntradaAtual", "SaidaAtual"}},
        {"cadastros", {"produtos", "clientes", "usuarios", "fornecedores"}},
        {"contasReceber",
         {"receber", "recebidas", "vencidasAtual", "pendentesAtual", "pagasAtual"}},
        {"contasPagar", {"pagas", "pendendentes", "vencidasAtual", "pendentesAtual", "pagasAtual"}},
        {"caixasAbertos/[0]",
         {"usuario", "horaAbertura", "dataAbertura", "saldoInicial", "saldoAtual", "Entradas",
          "saidas", "dinheiro", "credito", "debito", "cheque", "convenio", "vRefeicao",
          "vCombustivel"}},
        {"topProdutos/[0]", {"produto", "quantidade"}},
        {"topProdutos/[1]", {"produto", "quantidade"}},
        {"lucrosPresumidos", {"ganhos", "perdidos", "relatorioVendas"}},
        {report, {"concluidas", "canceladas", "vendasUsuarios"}},
        {report + "/concluidas",
         {"valorVendas", "quantidadeVendas", "totalDescontos", "totalLucros", "TicketMedio",
          "TempoMedioAtendimento", "QuantidadeProdutosVendidos"}},
        {report + "/canceladas",
         {"valorVendas", "LurosPerdidos", "QuantidadeProdutosPerdidos",
          "QuantidadeVendasPerdidas"}},
        {report + "/vendasUsuarios/[0]",
         {"usuario", "totalVendas", "comissoes", "quantidadeVendas", "quantidadeProdutos",
          "tempoAtendimento"}},
    };
    for (const auto& [parent, keys] : expected)
        EXPECT_EQ(childrenOf(p.layout.keyPaths, parent), keys) << parent.toStdString();

    // Month objects: all fourteen hold the twelve months in calendar order.
    int monthObjects = 0;
    for (const QString& path : p.layout.keyPaths) {
        const QStringList children = childrenOf(p.layout.keyPaths, path);
        if (children.value(0) != "janeiro") continue;
        ++monthObjects;
        EXPECT_EQ(children, kMonths) << path.toStdString();
    }
    EXPECT_EQ(monthObjects, 14);

    EXPECT_EQ(valueAt(p.root, "caixasAbertos").toArray().size(), 1);
    EXPECT_EQ(valueAt(p.root, "topProdutos").toArray().size(), 2);
    EXPECT_EQ(valueAt(p.root, report + "/vendasUsuarios").toArray().size(), 1);
    for (const QString& path : p.layout.keyPaths)
        EXPECT_FALSE(path.endsWith("diario")) << path.toStdString();
    EXPECT_FALSE(SampleDocument().contains("diario"));
}

TEST(SampleDocument, SampleFiguresKeepTheQuotedOrBareFormOfTheirMember) {
    const Parsed p = parseSample();
    const QString report = QStringLiteral("lucrosPresumidos/relatorioVendas");
    // A string expectation means the member is quoted, a number that it is bare.
    const QList<std::pair<QString, QJsonValue>> figures = {
        {"notasFiscais/TotalEnviadas/janeiro", 3},
        {"cadastros/produtos", "8560"},
        {"contasReceber/receber/abril", 40.99},
        {"contasReceber/vencidasAtual", 1.99},
        {"contasPagar/pagasAtual", 0},
        {"caixasAbertos/[0]/dataAbertura", "20/10/2021"},
        {"caixasAbertos/[0]/saldoAtual", 83935.68},
        {"caixasAbertos/[0]/saidas", 0},
        {"topProdutos/[0]/quantidade", "750"},
        {"topProdutos/[1]/quantidade", "120"},
        {"lucrosPresumidos/ganhos/janeiro", 2497.5},
        {"lucrosPresumidos/perdidos/dezembro", 0},
        {report + "/concluidas/TempoMedioAtendimento", "00:00:42"},
        {report + "/concluidas/QuantidadeProdutosVendidos", 870},
        {report + "/vendasUsuarios/[0]/totalVendas", "6465"},
        {report + "/vendasUsuarios/[0]/comissoes", "0"},
        {report + "/vendasUsuarios/[0]/tempoAtendimento", "00:00:42"},
    };
    for (const auto& [path, want] : figures) {
        SCOPED_TRACE(path.toStdString());
        const QJsonValue got = valueAt(p.root, path);
        if (want.isString()) {
            ASSERT_TRUE(got.isString());
            EXPECT_EQ(got.toString(), want.toString());
        } else {
            ASSERT_TRUE(got.isDouble());
            EXPECT_DOUBLE_EQ(got.toDouble(), want.toDouble());
        }
    }
}
