#!/usr/bin/env python3
"""Writes the report shapes of the table extractor's tests as business programs
write reports: Windows-1252 bytes, CR LF line ends, a form feed opening every
page after the first, and a first line that is never printed.

The truth lists beside them (NAME.truth) are written by hand; rerun this only
to change a shape, then check its truth list again.

Usage: tests/data/table/make_shapes.py
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def write(name, title, pages):
    lines = [title]
    for number, page in enumerate(pages):
        page = list(page)
        if number > 0:
            page[0] = "\f" + page[0]
        lines.extend(page)
    with open(os.path.join(HERE, name + ".txt"), "wb") as out:
        out.write("".join(line + "\r\n" for line in lines).encode("cp1252"))


def boxed(*cells):
    widths = (10, 26, 12, 14, 12)
    out = "|"
    for cell, width in zip(cells, widths):
        out += " " + (cell.rjust(width) if cell[:1] == ">" else cell.ljust(width)).replace(">", " ") + " |"
    return out


# Vertical rules, group lines, a group that changes in the middle of a page and
# goes on in the next one "(continuação)", a page header on every page,
# trailing-minus negatives, empty cells, subtotals and a grand total.
def boxed_groups():
    rule = "+" + "+".join("-" * (w + 2) for w in (10, 26, 12, 14, 12)) + "+"
    title = boxed("DATA MOV.", "PRODUTO", ">QUANTIDADE", ">CUSTO UNIT.", "OBSERVAÇÃO")

    def header(page, group):
        return [
            "EMPRESA EXEMPLO LTDA" + " " * 47 + "PÁGINA:%5d" % page,
            "MOVIMENTO DE ESTOQUE" + " " * 38 + "EMISSÃO: 05/04/2026",
            group,
            rule,
            title,
            rule,
        ]

    page1 = header(1, "FILIAL: 03 - CAMPINAS/SP") + [
        boxed("01/03/2026", "Parafuso sextavado 10 mm", ">1.200", ">0,35", ""),
        boxed("02/03/2026", "Porca M10", ">850", ">0,12", "lote 7"),
        boxed("02/03/2026", "Arruela lisa", ">", ">0,05", "sem saldo"),
        rule,
        boxed("", "TOTAL DA FILIAL", ">2.050", ">", ""),
        rule,
        "FILIAL: 05 - SANTOS/SP",
        boxed("03/03/2026", "Parafuso sextavado 10 mm", ">300", ">1.234,50-", "estorno"),
        boxed("04/03/2026", "Chave de fenda", ">12", ">18,90", ""),
        rule,
    ]
    page2 = header(2, "FILIAL: 05 - SANTOS/SP (continuação)") + [
        boxed("05/03/2026", "Ajuste de inventário", ">-1", ">7.533.563,42-", "auditoria"),
        boxed("06/03/2026", "Porca M10", ">40", ">0,12", ""),
        rule,
        boxed("", "TOTAL DA FILIAL", ">351", ">", ""),
        boxed("", "TOTAL GERAL", ">2.401", ">", ""),
        rule,
    ]
    write("boxed_groups", "ESTOQUE POR FILIAL", [page1, page2])


# No vertical rules and no group lines; dates in both forms in one column,
# codes with leading zeros (text), a leading minus, an empty text cell, a
# description with inner blanks, the page header and titles on both pages.
def plain_dates():
    def row(due, document, name, value, balance):
        return "%-10s %-10s %-24s %10s %9s" % (due, document, name, value, balance)

    def header(page):
        return [
            "COBRANÇA - TÍTULOS EM CARTEIRA" + " " * 29 + "PÁG.%4d" % page,
            "",
            row("VENCTO.", "DOCUMENTO", "SACADO", "VALOR", "SALDO"),
            row("-" * 10, "-" * 10, "-" * 24, "-" * 10, "-" * 9),
        ]

    page1 = header(1) + [
        row("05/03/26", "000123", "Mercado Bom Preço", "1.500,00", "-20,00"),
        row("15/03/2026", "000124", "Padaria Pão de Mel", "980,10", "0,00"),
        row("20/03/26", "000125", "", "45,00", "45,00"),
    ]
    page2 = header(2) + [
        row("01/04/2026", "000126", "Posto \"Estrela\", Azul", "12.345,67", "-1.000,00"),
        row("29/02/28", "000127", "Mercado Bom Preço", "2,50", "2,50"),
        "",
        row("", "", "TOTAL", "14.873,27", "-972,50"),
        "5 títulos listados.",
    ]
    write("plain_dates", "TITULOS", [page1, page2])


# Two group keys, one nested in the other; decimals that differ from column
# to column, integers with thousands dots, empty number cells, no rules at all.
def nested_groups():
    def row(item, name, weight, count):
        return "%4s  %-20s %10s %8s" % (item, name, weight, count)

    lines = [
        "CONSUMO POR DEPARTAMENTO",
        "DEPARTAMENTO: 0230 - PRODUÇÃO",
        "CONTA: 4.1.01 - MATERIAIS",
        row("ITEM", "DESCRIÇÃO", "PESO KG", "QTD."),
        row("1", "Chapa de aço 2 mm", "12,500", "1.200"),
        row("2", "Bobina", "0,750", ""),
        "CONTA: 4.1.02 - SERVIÇOS",
        row("3", "Solda MIG", "1,125", "40"),
        "DEPARTAMENTO: 0310 - EXPEDIÇÃO",
        "CONTA: 4.2.01 - EMBALAGENS",
        row("4", "Caixa de papelão", "", "2.500"),
        row("5", "Fita adesiva 48 mm", "0,040", "300"),
    ]
    write("nested_groups", "CONSUMO", [lines])


# A letter: figures inside sentences, no table.
def prose():
    write("prose", "CARTA", [[
        "São Paulo, 5 de março de 2026.",
        "",
        "Prezado cliente,",
        "",
        "informamos que o título 000123, no valor de R$ 1.500,00, vence em",
        "05/03/2026. Após essa data serão cobrados juros de 2,5 % ao mês.",
        "",
        "Atenciosamente,",
        "Departamento Financeiro",
    ]])


# Only the line that is never printed.
def empty():
    write("empty", "VAZIO", [[]])


if __name__ == "__main__":
    boxed_groups()
    plain_dates()
    nested_groups()
    prose()
    empty()
