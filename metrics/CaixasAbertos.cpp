// The open cash registers: one register into CXAberto, and all of them as JSON items.
#include "metrics/uConsultas.h"

#include "shell/Formats.h"
#include "shell/Principal.h"

namespace velorix {

namespace {

const char* const kCaixaAberto =
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

const char* const kListaCaixas =
    "select c.codigo, c.descricao, c.data_abertura, c.id_usuario, u.login usuario, c.lote from contas c inner join "
    "usuarios u on c.id_usuario=u.codigo where (c.tipo='S') and (c.situacao='A') ";

QString item(const caixasAbertos& cx) {
    const QString chave = QStringLiteral("   \t\t\"%1\": ");
    QString s = QStringLiteral("    { ");
    auto texto = [&](const char* key, const QString& v) {
        s += chave.arg(QLatin1String(key)) + QLatin1Char('"') + TextoJson(v) + QStringLiteral("\", ");
    };
    auto numero = [&](const char* key, const QString& v, const char* depois) {
        s += chave.arg(QLatin1String(key)) + v + QLatin1String(depois);
    };
    texto("usuario", cx.usuario);
    texto("horaAbertura", cx.horaAbertura);
    texto("dataAbertura", cx.dataAbertura);
    numero("saldoInicial", cx.saldoInicial, ", ");
    numero("saldoAtual", cx.saldoAtual, ", ");
    numero("Entradas", cx.Entradas, ", ");
    numero("saidas", cx.saidas, ", ");
    numero("dinheiro", cx.dinheiro, ", ");
    numero("credito", cx.credito, ", ");
    numero("debito", cx.debito, ", ");
    numero("cheque", cx.cheque, ", ");
    numero("convenio", cx.convenio, ", ");
    numero("vRefeicao", cx.vRefeicao, ", ");
    numero("vCombustivel", cx.vCombustivel, " ");
    s += QStringLiteral("    } ");
    return s;
}

}  // namespace

void uConsultas::CXAbertos(ErpQuery& Qry, int CodContas) {
    Qry.close();
    Qry.clearSql();
    Qry.addSql(QString::fromLatin1(kCaixaAberto));
    if (CodContas > 0) Qry.addSql(QStringLiteral("where (c.codigo=%1)").arg(CodContas));
    Qry.open();

    const RegionalSettings rs = regional();
    CXAberto.usuario = Qry.fieldByName("usuario").asString();
    CXAberto.horaAbertura = FormatDateTime(QStringLiteral("hh:mm:ss"), Qry.fieldByName("hora_abertura").asDateTime(), rs);
    CXAberto.dataAbertura =
        FormatDateTime(QStringLiteral("dd/mm/yyyy"), Qry.fieldByName("data_abertura").asDateTime(), rs);
    CXAberto.saldoInicial = valor(Qry.fieldByName("saldo_inicial").asFloat());
    CXAberto.saldoAtual = valor(Qry.fieldByName("saldo").asFloat());
    CXAberto.Entradas = valor(Qry.fieldByName("entrada").asFloat());
    CXAberto.saidas = valor(Qry.fieldByName("saida").asFloat());
    CXAberto.dinheiro = valor(Qry.fieldByName("dinheiro").asFloat());
    CXAberto.credito = valor(Qry.fieldByName("credito").asFloat());
    CXAberto.debito = valor(Qry.fieldByName("debito").asFloat());
    CXAberto.cheque = valor(Qry.fieldByName("cheque").asFloat());
    CXAberto.convenio = valor(Qry.fieldByName("convenio").asFloat());
    CXAberto.vRefeicao = valor(Qry.fieldByName("vale_refeicao").asFloat());
    CXAberto.vCombustivel = valor(Qry.fieldByName("vale_combustivel").asFloat());
}

QString uConsultas::ListaCaixasAbertos() {
    const QSqlDatabase db = ctx_.Conexao ? ctx_.Conexao() : QSqlDatabase();
    // Both live only for this call; leaving by an error releases them (and their transactions).
    ErpQuery lista(db);
    ErpQuery detalhe(db);

    lista.close();
    lista.clearSql();
    lista.setSql(QString::fromLatin1(kListaCaixas));
    lista.open();

    QString resultado;
    while (!lista.eof()) {
        CXAbertos(detalhe, int(lista.fieldByName("codigo").asInteger()));
        resultado += item(CXAberto);
        lista.next();
        if (!lista.eof()) resultado += sVirgula;
    }
    return resultado;
}

ConsultasContexto contextoDe(TForm1& form) {
    ConsultasContexto c;
    c.chkSincVendas = [&form] { return form.chkSincVendas.Checked; };
    c.chkSincNFe = [&form] { return form.chkSincNFe.Checked; };
    c.chkQualidade = [&form] { return form.chkQualidade.Checked; };
    c.clock = form.platform().clock;
    c.regional = form.platform().regional;
    c.Conexao = [&form] { return form.conexao().database(); };
    return c;
}

}  // namespace velorix
