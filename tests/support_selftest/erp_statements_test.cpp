// Every statement the program runs against the ERP database must prepare and run on the
// fixture's schema, with its parameters bound the way the program binds them, and find the
// seeded rows.
#include "tests/support/ErpFixture.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTime>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using velorix::testing::ErpFixture;

namespace {

enum class Bind { Date, Timestamp };

struct Statement {
  const char* name;
  Bind bind;
  const char* sql;
};

const Statement kStatements[] = {
    {"empresa", Bind::Date,
     "Select emp.*, cid.coduf VIRTUAL_ID_UF, cid.uf VIRTUAL_UF from empresa emp\n"
     "left join cidade cid on cid.codigo=emp.id_cidade\n/*where*/\n/*ordem*/"},
    {"parametro", Bind::Date,
     "select servidor_app, \nsenha_app,\nusuario_app,\ndatabase_app,\ncatalogo_serv,\ncatalogo_user,\n"
     "catalogo_base,\ncatalogo_senha\nfrom config"},
    {"produtos_catalogo", Bind::Date, "select QTD_ATUAL, CODBARRA from Produto\nwhere\nRESTAUTANTE='S' and\nATIVO='S'"},

    {"nfce_total_mes", Bind::Date,
     "select coalesce(sum(nm.total), 0) total from nfce_master nm where (nm.situacao='T') and "
     "(nm.data_emissao between :dt1 and :dt2) "},
    {"nfe_total_mes_aspas", Bind::Date,
     "select coalesce(sum(nm.total), 0) total from nfe_master nm where (nm.situacao='O''X') and "
     "(nm.data_emissao between :dt1 and :dt2) "},
    {"vendas_total_mes", Bind::Date,
     "select coalesce(sum(vm.total), 0) total from vendas_master vm where  (vm.situacao='F') and"
     "(vm.data_emissao between :dt1 and :dt2) "},
    {"cx_saldo", Bind::Date,
     "select (coalesce(sum(cx.entrada), 0) - coalesce(sum(cx.saida), 0)) saldo from caixa cx where "
     "(cx.emissao between :dt1 and :dt2) "},
    {"cx_entrada", Bind::Date,
     "select coalesce(sum(cx.entrada), 0) entrada from caixa cx where (cx.emissao between :dt1 and :dt2) "},
    {"cx_saida_mes", Bind::Date,
     "select coalesce(sum(cx.saida), 0) entrada from caixa cx where (cx.emissao between :dt1 and :dt2) "},
    {"cx_saida_atual", Bind::Date,
     "select coalesce(sum(cx.saida), 0) saida from caixa cx where (cx.emissao between :dt1 and :dt2) "},
    {"creceber_mes", Bind::Date,
     "select coalesce(sum(cr.valor), 0) total from creceber cr where (cr.data_recebimento is null) and "
     "(cr.dtvencimento between :dt1 and :dt2) "},
    {"crecebidas_mes", Bind::Date,
     "select coalesce(sum(cr.vrecebido), 0) total from creceber cr where not (cr.data_recebimento is null) and "
     "(cr.dtvencimento between :dt1 and :dt2) "},
    {"cpagar_pagas", Bind::Date,
     "select coalesce(sum(cp.valor), 0) total from cpagar cp where not (cp.data_pagamento is null) and "
     "(cp.dtvencimento between :dt1 and :dt2) "},
    {"cpagar_pendentes", Bind::Date,
     "select coalesce(sum(cp.valor), 0) total from cpagar cp where (cp.data_pagamento is null) and "
     "(cp.dtvencimento between :dt1 and :dt2) "},
    {"lucro_presumido", Bind::Date,
     "select coalesce(sum((vd.qtd*(vd.preco-p.pr_custo2))-vd.vdesconto), 0) TotalLucro from vendas_detalhe vd "
     "inner join produto p on vd.id_produto=p.codigo inner join vendas_master vm on vd.fkvenda=vm.codigo where "
     "(vd.situacao='F') and (vm.situacao='F') and (vm.data_emissao between :dt1 and :dt2) "},

    {"fpg_hoje", Bind::Date,
     "select coalesce(sum(fpg.total), 0) total from vendas_fpg fpg inner join vendas_master vm on "
     "fpg.vendas_master=vm.codigo where    (fpg.situacao='F') and  (fpg.valor <> 0) and (fpg.tipo='D') and "
     "(vm.data_emissao between :dt1 and :dt2) "},
    {"serial_baixados", Bind::Date,
     "SELECT COUNT(*) qtd FROM produto_serial WHERE DATA_BAIXA >= :dt1 AND DATA_BAIXA <= :dt2"},
    {"produtos_minimo", Bind::Date,
     "select count(*) qtd from produto where ativo='S' AND restautante = 'S' and QTD_ATUAL <=  QTD_MIN"},
    {"clientes", Bind::Date, "select count(*) qtd from pessoa where ativo='S' and cli='S'"},
    {"usuarios", Bind::Date, "select count(*) qtd from usuarios where ativo='S'"},
    {"fornecedores", Bind::Date, "select count(*) qtd from pessoa where ativo='S' and forn='S'"},
    {"creceber_vencidas", Bind::Date,
     "select coalesce(sum(cr.valor), 0) total from creceber cr where (cr.dtvencimento < :dt1)"},
    {"creceber_pendentes", Bind::Date,
     "select coalesce(sum(cr.valor), 0) total from creceber cr where (cr.dtvencimento between :dt1 and :dt2) and "
     "(cr.data_recebimento is null)"},
    {"creceber_pagas", Bind::Date,
     "select coalesce(sum(cr.valor), 0) total from creceber cr where not (cr.data_recebimento is null ) and "
     "(cr.vrecebido > 0) and (cr.dtvencimento between :dt1 and :dt2) "},
    {"cpagar_vencidas", Bind::Date,
     "select coalesce(sum(cp.valor), 0) total from cpagar cp where (cp.data_pagamento is null) and "
     "(cp.dtvencimento < :dt1) "},

    {"top_produtos", Bind::Date,
     "select first 6 count(vd.qtd) qtd, p.descricao from vendas_detalhe vd inner join vendas_master vm on "
     "vd.fkvenda=vm.codigo inner join produto p on vd.id_produto=p.codigo where (vm.situacao='F') and "
     "(vd.situacao='F') and (vm.data_emissao between :dt1 and :dt2) group by 2 order by 1 desc "},
    {"concluidas_valor", Bind::Date,
     "select coalesce(sum(vm.total), 0) ValorVendas from vendas_master vm where (vm.data_emissao between :dt1 and "
     ":dt2) and (vm.situacao='F')  "},
    {"concluidas_valor_nfe", Bind::Date,
     "select coalesce(sum(nm.total), 0) ValorVendas from nfe_master nm where (nm.data_emissao between :dt1 and "
     ":dt2) and (nm.situacao='2') "},
    {"concluidas_lucro_nfe", Bind::Date,
     "select coalesce(sum((nd.qtd*(nd.preco-p.pr_custo2))-nd.desconto), 0) TotalLucro from nfe_detalhe nd inner "
     "join produto p on nd.id_produto=p.codigo inner join nfe_master nm on nd.fknfe=nm.codigo where "
     "(nm.situacao='2') and (nm.data_emissao between :dt1 and :dt2) "},
    {"concluidas_contagem", Bind::Date,
     "select count(vm.codigo) qtdVendas, coalesce(sum(vd.qtd*(vd.preco-p.pr_custo2)) ,0) TotalLucro, "
     "coalesce(sum(vd.qtd) ,0) qtdProdVendidos from vendas_master vm left join vendas_detalhe vd on "
     "vd.fkvenda=vm.codigo and vd.situacao='F' inner join produto p on vd.id_produto=p.codigo where "
     "(vm.situacao='F') and (vm.data_emissao between :dt1 and :dt2) "},
    {"concluidas_descontos", Bind::Date,
     "select coalesce(sum(vm.total), 0) TotalDescontos from vendas_master vm where (vm.data_emissao between :dt1 "
     "and :dt2) and (vm.situacao='F')  "},
    {"concluidas_contagem_nfe", Bind::Date,
     "select count(nm.codigo) qtdVendas, coalesce(sum(nd.qtd*(nd.preco-p.pr_custo2)) ,0) TotalLucro, "
     "coalesce(sum(nd.qtd) ,0) qtdProdVendidos from nfe_master nm left join nfe_detalhe nd on nd.fknfe=nm.codigo "
     "inner join produto p on nd.id_produto=p.codigo where (nm.situacao='2') and (nm.data_emissao between :dt1 "
     "and :dt2) "},
    {"concluidas_nfce_hoje", Bind::Date,
     "select coalesce(sum(nm.total), 0) TotalDescontos from nfce_master nm where (nm.data_emissao between :dt1 "
     "and :dt2) and (nm.situacao='T') "},
    {"canceladas", Bind::Date,
     "select coalesce(sum(vm.total), 0) ValorVendas, coalesce(sum(vd.qtd*(vd.preco-p.pr_custo2)) ,0) TotalLucro, "
     "coalesce(sum(vd.qtd) ,0) qtdProdCancelados from vendas_master vm left join vendas_detalhe vd on "
     "vd.fkvenda=vm.codigo and vd.situacao='C' inner join produto p on vd.id_produto=p.codigo where "
     "(vm.situacao='C') and (vm.data_emissao between :dt1 and :dt2) "},
    {"canceladas_contagem", Bind::Date,
     "SELECT COUNT(CODIGO) AS qtdVendas FROM vendas_master WHERE situacao = 'C' AND data_emissao BETWEEN :data1 "
     "AND :data2 AND total > 0"},
    {"canceladas_nfe", Bind::Date,
     "select coalesce(sum(nm.total), 0) ValorVendas, coalesce(sum(nd.qtd*(nd.preco-p.pr_custo2)) ,0) TotalLucro, "
     "coalesce(sum(nd.qtd) ,0) qtdProdCancelados, count(nm.codigo) qtdVendas from nfe_master nm left join "
     "nfe_detalhe nd on nd.fknfe=nm.codigo inner join produto p on nd.id_produto=p.codigo where "
     "(nm.situacao='3') and (nm.data_emissao between :dt1 and :dt2) "},
    {"vendas_usuario", Bind::Date,
     "select u.login usuario, coalesce(sum(vm.total) ,0) TotalVendas, count(vm.codigo) qtdVendas, sum(vd.qtd) "
     "qtdProdVendidos from vendas_master vm inner join usuarios u on vm.fk_usuario=u.codigo inner join "
     "vendas_detalhe vd on vd.fkvenda=vm.codigo and vd.situacao='F' where (vm.situacao='F') and "
     "(vm.data_emissao between :dt1 and :dt2) group by 1 "},
    {"vendas_usuario_nfe", Bind::Date,
     "select u.login usuario, coalesce(sum(nm.total) ,0) TotalVendas, count(nm.codigo) qtdVendas, sum(nd.qtd) "
     "qtdProdVendidos from nfe_master nm inner join usuarios u on nm.fk_usuario=u.codigo inner join nfe_detalhe "
     "nd on nd.fknfe=nm.codigo where (nm.situacao='2') and (nm.data_emissao between :dt1 and :dt2) group by 1 "},
    {"vendas_diarias", Bind::Date,
     "select coalesce(sum(vm.total), 0) total from vendas_master vm where (vm.data_emissao between :dt1 and :dt2) "
     "and (vm.situacao='F') "},
    {"vendas_diarias_nfe", Bind::Date,
     "select coalesce(sum(nm.total), 0) total from nfe_master nm where (nm.data_emissao between :dt1 and :dt2) "
     "and (nm.situacao='2') "},
    {"lucro_diario", Bind::Date,
     "select cast(coalesce(sum((vd.total)-(vd.qtd*pr.pr_custo2)), 0) as numeric(15,2)) lucroDiario from "
     "vendas_detalhe vd inner join vendas_master vm on vm.codigo=vd.fkvenda inner join produto pr on "
     "pr.codigo=vd.id_produto where (vm.situacao='F') and (vd.situacao='F') and (vm.data_emissao between :dt1 "
     "and :dt2) "},
    {"lucro_diario_nfe", Bind::Date,
     "select cast(coalesce(sum((nd.total)-(nd.qtd*pr.pr_custo2)), 0) as numeric(15,2)) lucroDiario from "
     "nfe_detalhe nd inner join nfe_master nm on nm.codigo=nd.fknfe inner join produto pr on "
     "pr.codigo=nd.id_produto where (nm.situacao='2') and (nm.data_emissao between :dt1 and :dt2) "},

    {"caixas_abertos_lista", Bind::Date,
     "select c.codigo, c.descricao, c.data_abertura, c.id_usuario, u.login usuario, c.lote from contas c inner "
     "join usuarios u on c.id_usuario=u.codigo where (c.tipo='S') and (c.situacao='A') "},

    {"vendas", Bind::Timestamp,
     "SELECT codigo, flag_nfce, hora, data_emissao, total, situacao FROM vendas_master  WHERE situacao NOT IN "
     "('X', 'G') AND data_emissao BETWEEN :data1 AND :data2 AND total > 0"},
    {"vendas_fiscal", Bind::Timestamp,
     "SELECT numero, data_emissao, total, nome FROM nfe_master  WHERE situacao = '2' and importou <> 'D' AND "
     "data_emissao BETWEEN :data1 AND :data2 AND total > 0"},
    {"forma", Bind::Timestamp,
     "SELECT forma_pgto.descricao, nt.data_emissao, vd.codigo, vd.vendas_master, vd.situacao, SUM(vd.TOTAL) AS "
     "valor FROM vendas_fpg vd INNER JOIN forma_pagamento forma_pgto ON forma_pgto.codigo = vd.id_forma INNER "
     "JOIN vendas_master nt ON nt.codigo = vd.vendas_master WHERE nt.situacao = 'F' AND vd.TIPO <> 'T' AND "
     "vd.TOTAL > 0 AND vd.situacao = 'F' AND nt.data_emissao BETWEEN :data1 AND :data2 GROUP BY "
     "forma_pgto.descricao, nt.data_emissao, vd.codigo, vd.vendas_master, vd.situacao "},
    {"nfce", Bind::Timestamp,
     "SELECT forma_pgto.descricao, nt.data_emissao, vd.codigo, vd.situacao, SUM(vd.TOTAL) AS valor FROM "
     "vendas_fpg vd INNER JOIN forma_pagamento forma_pgto ON forma_pgto.codigo = vd.id_forma INNER JOIN "
     "nfce_master nt ON nt.fk_venda = vd.vendas_master WHERE nt.situacao = 'T' AND vd.TIPO <> 'T' AND vd.TOTAL > "
     "0 AND vd.situacao = 'F' AND nt.data_emissao BETWEEN :data1 AND :data2 GROUP BY forma_pgto.descricao, "
     "nt.data_emissao, vd.situacao, vd.codigo"},
    {"pagar", Bind::Timestamp,
     "SELECT Cp.*, pessoa.razao FROM cpagar CP LEFT JOIN pessoa ON pessoa.codigo = cp.fkfornece WHERE cp.codigo > "
     "0 AND cp.DTVENCIMENTO >= :data1 AND cp.DTVENCIMENTO <= :data2 AND CP.situacao <> 'X' ORDER BY codigo "},
    {"receber", Bind::Timestamp,
     "select CR.*, pessoa.razao, ved.nome as vendedor from creceber CR left join pessoa on "
     "pessoa.codigo=cr.fkcliente left join vendedores ved on ved.codigo=cr.id_vendedor WHERE cr.codigo > 0 AND "
     "cr.DTVENCIMENTO >= :data1 AND cr.DTVENCIMENTO <= :data2 AND cr.situacao <> 'T' ORDER BY codigo "},
    {"lucro", Bind::Timestamp,
     "SELECT vm.data_emissao, SUM(vd.total - (vd.pr_custo * vd.qtd)) AS TotalLucro, (SUM(vd.total - (vd.pr_custo "
     "* vd.qtd)) / SUM(vd.total)) * 100 AS MargemPercentual FROM VENDAS_DETALHE vd LEFT JOIN vendas_master vm ON "
     "vm.codigo = vd.fkvenda LEFT JOIN VENDAS_FPG vf ON vf.vendas_master = vd.fkvenda WHERE vm.data_emissao "
     "BETWEEN :data1 AND :data2 AND vf.tipo <> 'T' GROUP BY vm.data_emissao ORDER BY vm.data_emissao"},
    {"produto_mais", Bind::Timestamp,
     "SELECT FIRST 10        COUNT(vd.qtd) AS qtd,        p.descricao,  p.codigo,        vd.fkvenda FROM "
     "vendas_detalhe vd INNER JOIN vendas_master vm ON vd.fkvenda = vm.codigo INNER JOIN produto p ON "
     "vd.id_produto = p.codigo WHERE (vm.situacao = 'F') AND (vd.situacao = 'F') AND (vm.data_emissao BETWEEN "
     ":data1 AND :data2) GROUP BY p.descricao, p.codigo, vd.fkvenda ORDER BY qtd DESC;"},
    {"compras", Bind::Timestamp,
     "SELECT id, dtemissao, nr_nota, status, total FROM compra WHERE dtemissao BETWEEN :data1 AND :data2 AND   "
     "status <> 'A' AND   total > 0 "},
    {"qualidade", Bind::Timestamp,
     "SELECT ps.codigo, pro.descricao, ps.id_produto, ps.situacao, ps.data_baixa, ps.numero_serie, ps.quantidade "
     "FROM produto_serial ps LEFT JOIN produto pro ON pro.codigo = ps.id_produto WHERE ps.situacao <> 'C' and "
     "ps.DATA_BAIXA BETWEEN :data1 AND :data2"},
};

// The open-cash-register statement, with and without its key line.
const char kCaixaAberto[] =
    "select u.login usuario, cm.hora hora_abertura, c.data_abertura, coalesce(cm.entrada, 0) saldo_inicial,     "
    "(select coalesce((sum(cm1.entrada)-(sum(cm1.saida))), 0) saldo from contas_movimento cm1      where "
    "(cm1.id_usuario=u.codigo) and (cm1.lote=c.lote)),     (select coalesce(sum(cm1.entrada), 0) entrada from "
    "contas_movimento cm1      where (cm1.id_usuario=u.codigo) and (cm1.lote=c.lote)),     (select "
    "coalesce(sum(cm1.saida), 0) saida from contas_movimento cm1      where (cm1.id_usuario=u.codigo) and "
    "(cm1.lote=c.lote)),     (select coalesce(sum(vfpg.valor), 0) dinheiro from vendas_fpg vfpg      inner join "
    "vendas_master vm on vfpg.vendas_master=vm.codigo      where (vm.lote=c.lote) and (vm.situacao='F') and "
    "(vfpg.situacao='F')      and (vfpg.tipo='D') and (vm.fk_caixa=c.codigo) and (vm.fk_usuario=u.codigo)),     "
    "(select coalesce(sum(vfpg.valor), 0) credito from vendas_fpg vfpg      inner join vendas_master vm on "
    "vfpg.vendas_master=vm.codigo      where (vm.lote=c.lote) and (vm.situacao='F') and (vfpg.situacao='F')      "
    "and (vfpg.tipo='C') and (vm.fk_caixa=c.codigo) and (vm.fk_usuario=u.codigo)),     (select "
    "coalesce(sum(vfpg.valor), 0) debito from vendas_fpg vfpg      inner join vendas_master vm on "
    "vfpg.vendas_master=vm.codigo      where (vm.lote=c.lote) and (vm.situacao='F') and (vfpg.situacao='F')      "
    "and (vfpg.tipo='E') and (vm.fk_caixa=c.codigo) and (vm.fk_usuario=u.codigo)),     (select "
    "coalesce(sum(vfpg.valor), 0) cheque from vendas_fpg vfpg      inner join vendas_master vm on "
    "vfpg.vendas_master=vm.codigo      where (vm.lote=c.lote) and (vm.situacao='F') and (vfpg.situacao='F')      "
    "and (vfpg.tipo='Q') and (vm.fk_caixa=c.codigo) and (vm.fk_usuario=u.codigo)),     (select "
    "coalesce(sum(vfpg.valor), 0) convenio from vendas_fpg vfpg      inner join vendas_master vm on "
    "vfpg.vendas_master=vm.codigo      where (vm.lote=c.lote) and (vm.situacao='F') and (vfpg.situacao='F')      "
    "and (vfpg.tipo='V') and (vm.fk_caixa=c.codigo) and (vm.fk_usuario=u.codigo)),     (select "
    "coalesce(sum(vfpg.valor), 0) vale_refeicao from vendas_fpg vfpg      inner join vendas_master vm on "
    "vfpg.vendas_master=vm.codigo      where (vm.lote=c.lote) and (vm.situacao='F') and (vfpg.situacao='F')      "
    "and (vfpg.tipo='R') and (vm.fk_caixa=c.codigo) and (vm.fk_usuario=u.codigo)),     (select "
    "coalesce(sum(vfpg.valor), 0) vale_combustivel from vendas_fpg vfpg      inner join vendas_master vm on "
    "vfpg.vendas_master=vm.codigo      where (vm.lote=c.lote) and (vm.situacao='F') and (vfpg.situacao='F')      "
    "and (vfpg.tipo IN ('O', 'I')) and (vm.fk_caixa=c.codigo) and (vm.fk_usuario=u.codigo)) from contas c inner "
    "join usuarios u on c.id_usuario=u.codigo left join contas_movimento cm on c.lote=cm.lote and "
    "cm.historico='ABERTURA DE CAIXA' ";

std::vector<Statement> allStatements() {
  std::vector<Statement> all(std::begin(kStatements), std::end(kStatements));
  static const std::string withKey = std::string(kCaixaAberto) + "\nwhere (c.codigo=1)";
  all.push_back({"caixa_aberto", Bind::Date, kCaixaAberto});
  all.push_back({"caixa_aberto_codigo", Bind::Date, withKey.c_str()});
  return all;
}

// One of everything the statements join, all in March 2024.
void seed(ErpFixture& erp) {
  const QDate day(2024, 3, 15);
  auto q = [](const char* s) { return QString::fromUtf8(s); };
  erp.insert(q("cidade"), {{q("codigo"), 1}, {q("nome"), q("São Paulo")}, {q("coduf"), 35}, {q("uf"), q("SP")}});
  erp.insert(q("empresa"), {{q("codigo"), 1}, {q("cnpj"), q("12.345.678/0001-90")}, {q("fantasia"), q("Mercadinho")},
                            {q("razao"), q("Mercadinho Ltda")}, {q("usa_pdv"), q("S")}, {q("id_cidade"), 1}});
  erp.insert(q("config"), {{q("catalogo_user"), q("80A1B2")}, {q("catalogo_base"), q("80C3D4")}});
  erp.insert(q("usuarios"), {{q("codigo"), 1}, {q("login"), q("caixa1")}, {q("ativo"), q("S")}});
  erp.insert(q("pessoa"), {{q("codigo"), 1}, {q("razao"), q("Cliente")}, {q("ativo"), q("S")}, {q("cli"), q("S")}});
  erp.insert(q("pessoa"), {{q("codigo"), 2}, {q("razao"), q("Fornecedor")}, {q("ativo"), q("S")}, {q("forn"), q("S")}});
  erp.insert(q("vendedores"), {{q("codigo"), 1}, {q("nome"), q("Ana")}});
  erp.insert(q("produto"), {{q("codigo"), 1}, {q("descricao"), q("Pão de Açúcar")}, {q("codbarra"), q("7891234567890")},
                            {q("pr_custo2"), 3.5}, {q("qtd_atual"), 2}, {q("qtd_min"), 5}, {q("ativo"), q("S")},
                            {q("restautante"), q("S")}});
  erp.insert(q("produto_serial"), {{q("codigo"), 1}, {q("id_produto"), 1}, {q("numero_serie"), q("SN-1")},
                                   {q("quantidade"), 1}, {q("situacao"), q("B")}, {q("data_baixa"), day}});
  erp.insert(q("forma_pagamento"), {{q("codigo"), 1}, {q("descricao"), q("Dinheiro")}});
  for (const auto& [codigo, situacao] : {std::pair{1, "F"}, std::pair{2, "C"}}) {
    erp.insert(q("vendas_master"), {{q("codigo"), codigo}, {q("data_emissao"), day}, {q("hora"), QTime(10, 30)},
                                    {q("situacao"), q(situacao)}, {q("total"), 20.0}, {q("flag_nfce"), q("N")},
                                    {q("lote"), 7}, {q("fk_caixa"), 1}, {q("fk_usuario"), 1}});
    erp.insert(q("vendas_detalhe"), {{q("fkvenda"), codigo}, {q("id_produto"), 1}, {q("qtd"), 2}, {q("preco"), 10},
                                     {q("vdesconto"), 0}, {q("total"), 20}, {q("pr_custo"), 3.5},
                                     {q("situacao"), q(situacao)}});
    erp.insert(q("vendas_fpg"), {{q("codigo"), codigo}, {q("vendas_master"), codigo}, {q("id_forma"), 1},
                                 {q("tipo"), q("D")}, {q("situacao"), q(situacao)}, {q("valor"), 20}, {q("total"), 20}});
  }
  for (const auto& [codigo, situacao] : {std::pair{1, "2"}, std::pair{2, "3"}}) {
    erp.insert(q("nfe_master"), {{q("codigo"), codigo}, {q("numero"), 100 + codigo}, {q("nome"), q("Cliente")},
                                 {q("situacao"), q(situacao)}, {q("total"), 50}, {q("data_emissao"), day},
                                 {q("fk_usuario"), 1}, {q("importou"), q("N")}});
    erp.insert(q("nfe_detalhe"), {{q("fknfe"), codigo}, {q("id_produto"), 1}, {q("qtd"), 5}, {q("preco"), 10},
                                  {q("desconto"), 0}, {q("total"), 50}});
  }
  erp.insert(q("nfce_master"), {{q("situacao"), q("T")}, {q("total"), 20}, {q("data_emissao"), day}, {q("fk_venda"), 1}});
  erp.insert(q("caixa"), {{q("emissao"), day}, {q("entrada"), 100}, {q("saida"), 30}});
  erp.insert(q("contas"), {{q("codigo"), 1}, {q("descricao"), q("Caixa 01")}, {q("data_abertura"), day},
                           {q("id_usuario"), 1}, {q("lote"), 7}, {q("tipo"), q("S")}, {q("situacao"), q("A")}});
  erp.insert(q("contas_movimento"), {{q("lote"), 7}, {q("id_usuario"), 1}, {q("hora"), QTime(8, 0)},
                                     {q("historico"), q("ABERTURA DE CAIXA")}, {q("entrada"), 100}, {q("saida"), 0}});
  erp.insert(q("creceber"), {{q("codigo"), 1}, {q("fkcliente"), 1}, {q("id_vendedor"), 1}, {q("doc"), q("NF101")},
                             {q("historico"), q("Parcela 1/2")}, {q("dtvencimento"), QDate(2024, 3, 20)},
                             {q("valor"), 50}, {q("vrecebido"), 0}, {q("situacao"), q("A")}});
  erp.insert(q("cpagar"), {{q("codigo"), 1}, {q("fkfornece"), 2}, {q("doc"), q("B55")}, {q("historico"), q("Boleto")},
                           {q("dtvencimento"), QDate(2024, 3, 10)}, {q("valor"), 80},
                           {q("data_pagamento"), QDate(2024, 3, 9)}, {q("situacao"), q("P")}});
  erp.insert(q("compra"), {{q("id"), 1}, {q("nr_nota"), 555}, {q("dtemissao"), QDate(2024, 3, 12)},
                           {q("status"), q("F")}, {q("total"), 300}});
}

TEST(ErpStatements, EveryStatementPreparesRunsAndFindsTheSeededRows) {
  auto erp = ErpFixture::create(QStringLiteral("statements"));
  seed(*erp);
  const QDate first(2024, 3, 1), last(2024, 3, 31);
  for (const Statement& s : allStatements()) {
    SCOPED_TRACE(s.name);
    const QString sql = QString::fromUtf8(s.sql);
    QSqlQuery q(erp->database());
    q.setForwardOnly(true);
    if (!q.prepare(sql)) {
      ADD_FAILURE() << "prepare: " << q.lastError().text().toStdString();
      continue;
    }
    const int params = int(sql.count(QRegularExpression(QStringLiteral(":[A-Za-z]+[0-9]"))));
    // A single parameter is always "before this day".
    const QList<QDate> dates = params == 1 ? QList<QDate>{last} : QList<QDate>{first, last};
    for (int i = 0; i < params; ++i)
      q.addBindValue(s.bind == Bind::Date ? QVariant(dates[i]) : QVariant(QDateTime(dates[i], QTime(0, 0))));
    if (!q.exec()) {
      ADD_FAILURE() << "exec: " << q.lastError().text().toStdString();
      continue;
    }
    EXPECT_TRUE(q.next()) << "no row";
    while (q.isValid()) {
      for (int i = 0; i < q.record().count(); ++i) (void)q.value(i);
      q.next();
    }
    EXPECT_FALSE(q.lastError().isValid()) << q.lastError().text().toStdString();
  }
  EXPECT_EQ(erp->openTransactionCount(), 0);
}

}  // namespace

