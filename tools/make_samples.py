#!/usr/bin/env python3
"""Writes the sample text reports of examples/, as a report program writes them.

Every file is Windows-1252, with CR LF line ends and a form feed as the first
character of the first line of every page after the first. The first line of
each file is a header line the viewer never prints. The contents are made up
but deterministic (fixed seeds), so running the script again gives the same
bytes.

    tools/make_samples.py                  # examples/invoice-80.txt, ledger-132.txt, listing-255.txt
    tools/make_samples.py --out DIR        # the same files into DIR
    tools/make_samples.py --big FILE [--lines N]
                                           # a 132-column ledger of N lines (default 100000)
                                           # for the benchmarks; not kept in the repository
"""

import argparse
import datetime
import os
import random
import sys

FORM_FEED = "\f"


def money(value):
    """Brazilian currency notation: 1.234.567,89 (negative with a leading minus)."""
    text = f"{abs(value):,.2f}".replace(",", "_").replace(".", ",").replace("_", ".")
    return ("-" if value < 0 else "") + text


def fit(text, width):
    """Cut or pad to exactly width characters."""
    return text[:width].ljust(width)


def check_width(lines, columns, name):
    for number, line in enumerate(lines, 1):
        if len(line.lstrip(FORM_FEED)) > columns:
            raise SystemExit(f"{name}: line {number} has {len(line)} characters, more than {columns}")


def write_report(path, header, pages, columns):
    """header: the line never printed; pages: lists of lines."""
    lines = [header]
    for index, page in enumerate(pages):
        page = list(page)
        if index > 0:
            page[0] = FORM_FEED + page[0]
        lines.extend(page)
    check_width(lines, columns, path)
    with open(path, "wb") as out:
        for line in lines:
            out.write(line.encode("cp1252") + b"\r\n")


# ---- 80 columns: a list of invoices


CUSTOMERS = [
    ("Padaria Pão Dourado", "São Paulo/SP"),
    ("Açougue Boi Gordo ME", "Campinas/SP"),
    ("Farmácia Saúde & Vida", "Belo Horizonte/MG"),
    ("Papelaria Estrela Ltda", "Curitiba/PR"),
    ("Mercearia São José", "Niterói/RJ"),
    ("Construtora Araújo", "Goiânia/GO"),
    ("Óptica Visão Clara", "Florianópolis/SC"),
    ("Distribuidora Ribeirão", "Ribeirão Preto/SP"),
    ("Calçados Passo Firme", "Maceió/AL"),
    ("Auto Peças Veloz Ltda", "Uberlândia/MG"),
    ("Livraria Saber", "Porto Alegre/RS"),
    ("Confecções Linha Fina", "Blumenau/SC"),
]


def invoice_pages():
    rng = random.Random(80)
    rows_per_page = 50
    day = datetime.date(2026, 3, 2)
    invoices = []
    number = 10231
    for _ in range(130):
        customer, city = rng.choice(CUSTOMERS)
        value = rng.randint(1500, 980000) / 100
        status = rng.choice(["PAGA", "PAGA", "ABERTA", "VENCIDA", "CANCELADA"])
        invoices.append((number, day, customer, city, value, status))
        number += 1
        if rng.random() < 0.2 and day.day < 31:
            day += datetime.timedelta(days=1)

    def page_header(page_number):
        return [
            fit("COMERCIAL MODELO DE ALIMENTOS LTDA", 68) + f"PÁGINA: {page_number:4d}",
            fit("RELAÇÃO DE NOTAS FISCAIS EMITIDAS - MARÇO/2026", 61) + "EMISSÃO: 01/04/2026",
            "-" * 80,
            f"{'NÚMERO':<6} {'EMISSÃO':<10} {'CLIENTE':<22} {'CIDADE/UF':<17} {'VALOR R$':>11} SITUAÇÃO",
            "-" * 80,
        ]

    pages = []
    total = 0.0
    total_open = 0.0
    for start in range(0, len(invoices), rows_per_page):
        page = page_header(len(pages) + 1)
        subtotal = 0.0
        for number, day, customer, city, value, status in invoices[start : start + rows_per_page]:
            page.append(
                f"{number:06d} {day:%d/%m/%Y} {fit(customer, 22)} {fit(city, 17)} "
                f"{money(value):>11} {fit(status, 9)}".rstrip()
            )
            if status != "CANCELADA":
                subtotal += value
                total += value
                if status != "PAGA":
                    total_open += value
        page.append("-" * 80)
        page.append(fit("SUBTOTAL DA PÁGINA", 55) + f"{money(subtotal):>15}")
        pages.append(page)
    pages[-1] += [
        "",
        fit("TOTAL FATURADO (exceto canceladas)", 55) + f"{money(total):>15}",
        fit("TOTAL EM ABERTO", 55) + f"{money(total_open):>15}",
        "",
        f"{len(invoices)} notas fiscais listadas.",
    ]
    return pages


# ---- 132 columns: a ledger with box rules

HISTORIES = [
    "Pagamento de duplicata - fornecedor",
    "Recebimento de cliente - boleto",
    "Tarifa bancária",
    "Transferência entre contas",
    "Aquisição de material de escritório",
    "Serviços de manutenção predial",
    "Provisão de férias e 13º salário",
    "Contribuição previdenciária (INSS)",
    "Juros sobre aplicação financeira",
    "Depósito em dinheiro",
    "Devolução de mercadorias",
    "Adiantamento a funcionário",
    "Imposto sobre serviços (ISS)",
    "Energia elétrica - conta de março",
]

ACCOUNTS = [
    "1.1.1.02 - BANCO DO BRASIL S/A - C/C 12.345-6",
    "1.1.1.03 - CAIXA ECONÔMICA FEDERAL - C/C 0987-1",
    "1.1.2.01 - DUPLICATAS A RECEBER",
    "2.1.1.01 - FORNECEDORES NACIONAIS",
    "3.1.1.05 - DESPESAS COM MANUTENÇÃO",
]

LEDGER_RULE = "-" * 132
LEDGER_TITLES = (
    f"| {'DATA':<10} | {'LANÇ.':<6} | {'HISTÓRICO':<52} |"
    f" {'DÉBITO':>15} | {'CRÉDITO':>15} | {'SALDO':>15} |"
)


def ledger_row(day, entry, history, debit, credit, balance):
    return (
        f"| {day:%d/%m/%Y} | {entry:6d} | {fit(history, 52)} |"
        f" {(money(debit) if debit else ''):>15} | {(money(credit) if credit else ''):>15} |"
        f" {money(balance):>15} |"
    )


def ledger_text_row(text):
    return "| " + fit(text, 128) + " |"


def ledger_pages(line_count=None, rows_per_page=60, seed=132):
    """A ledger; with line_count, exactly that many lines (the header line
    included), for the benchmarks."""
    rng = random.Random(seed)
    pages = []
    produced = 1  # the header line
    entry = 1
    day = datetime.date(2026, 3, 1)

    def page_header(page_number, account):
        return [
            fit("EMPRESA MODELO DE COMÉRCIO LTDA", 118) + f"PÁGINA: {page_number:5d}",
            fit("LIVRO RAZÃO ANALÍTICO - EXERCÍCIO 2026", 113) + "EMISSÃO: 01/04/2026",
            fit("CONTA: " + account, 132),
            LEDGER_RULE,
            LEDGER_TITLES,
            LEDGER_RULE,
        ]

    account_index = 0
    balance = rng.randint(20000000, 50000000) / 100
    carried = None
    while True:
        account = ACCOUNTS[account_index % len(ACCOUNTS)]
        page = page_header(len(pages) + 1, account)
        if carried is not None:
            page.append(ledger_text_row(fit("TRANSPORTE", 108) + f"{money(carried):>20}"))
        while len(page) < rows_per_page - 2:
            history = rng.choice(HISTORIES)
            amount = rng.randint(500, 2500000) / 100
            if rng.random() < 0.5:
                debit, credit = amount, 0
                balance += amount
            else:
                debit, credit = 0, amount
                balance -= amount
            page.append(ledger_row(day, entry, history, debit, credit, balance))
            entry += 1
            if rng.random() < 0.25:
                day += datetime.timedelta(days=1)
                if day.month != 3 and line_count is None:
                    break
        page.append(LEDGER_RULE)
        page.append(ledger_text_row(fit("A TRANSPORTAR", 108) + f"{money(balance):>20}"))
        carried = balance
        if line_count is not None:
            room = line_count - produced
            if room <= len(page):
                pages.append(page[:room])
                return pages
        pages.append(page)
        produced += len(page)
        if line_count is None and (day.month != 3 or len(pages) == 4):
            break
        if rng.random() < 0.2:
            account_index += 1
    pages[-1][-1] = ledger_text_row(fit("SALDO FINAL DA CONTA", 108) + f"{money(balance):>20}")
    pages[-1] += [
        LEDGER_RULE,
        "",
        "Observação: lançamentos conferidos pelo setor de contabilidade. Não há pendências de conciliação.",
        "Responsável: João da Conceição - CRC 1SP 123.456/O-7",
    ]
    return pages


# ---- 255 columns: a wide stock listing

PRODUCTS = [
    ("Açúcar cristal 5 kg", "FD"),
    ("Café torrado e moído 500 g", "PCT"),
    ("Feijão carioca tipo 1 1 kg", "PCT"),
    ("Arroz agulhinha 5 kg", "FD"),
    ("Óleo de soja 900 ml", "UN"),
    ("Macarrão espaguete 500 g", "PCT"),
    ("Farinha de mandioca 1 kg", "PCT"),
    ("Leite UHT integral 1 l", "CX"),
    ("Sabão em pó 1 kg", "CX"),
    ("Detergente líquido 500 ml", "UN"),
    ("Papel higiênico folha dupla 12 rolos", "FD"),
    ("Biscoito recheado chocolate 140 g", "PCT"),
    ("Extrato de tomate 340 g", "LT"),
    ("Sardinha em óleo 125 g", "LT"),
    ("Água mineral sem gás 1,5 l", "UN"),
]

BRANCHES = ["MATRIZ", "CENTRO", "NORTE", "SUL", "LESTE", "OESTE", "PORTO", "SERRA"]


def listing_pages():
    rng = random.Random(255)
    rows_per_page = 40
    stock_titles = "".join(f"{name:>9}" for name in BRANCHES)
    titles = (
        f"{'CÓDIGO':<8} {'DESCRIÇÃO DO PRODUTO':<40} {'UN':<4} {'NCM':<10} "
        f"{stock_titles} {'ESTOQUE':>9} {'MÍN.':>7} {'CUSTO MÉDIO':>13} {'PREÇO VENDA':>13} "
        f"{'MARGEM %':>9} {'ÚLT. ENTRADA':<12} {'FORNECEDOR':<38} {'SITUAÇÃO':<8}"
    )
    rows = []
    for code in range(1001, 1001 + 110):
        name, unit = PRODUCTS[code % len(PRODUCTS)]
        variant = rng.choice(["", " - cx c/ 12", " - promoção", " - importado", " - linha econômica"])
        stocks = [rng.randint(0, 900) for _ in BRANCHES]
        cost = rng.randint(150, 9000) / 100
        price = cost * (1 + rng.randint(15, 60) / 100)
        margin = (price - cost) / price * 100
        entry = datetime.date(2026, 3, 1) + datetime.timedelta(days=rng.randint(0, 30))
        status = "ATIVO" if min(stocks) > 0 else "REPOR"
        supplier = rng.choice(
            ["Atacadão São Jorge", "Distribuidora Irmãos Araújo", "Cooperativa Agrícola Paraná",
             "Indústria Alimentícia Sabor", "Comércio Atlântico Ltda"]
        )
        rows.append(
            f"{code:<8d} {fit(name + variant, 40)} {fit(unit, 4)} {rng.randint(10000000, 99999999):<10d} "
            + "".join(f"{s:>9d}" for s in stocks)
            + f" {sum(stocks):>9d} {rng.randint(20, 200):>7d} {money(cost):>13} {money(price):>13} "
            f"{money(margin):>9} {entry:%d/%m/%Y}   {fit(supplier, 38)} {fit(status, 8)}"
        )
    width = len(titles)
    pages = []
    for start in range(0, len(rows), rows_per_page):
        page = [
            fit("COMERCIAL MODELO DE ALIMENTOS LTDA - POSIÇÃO DE ESTOQUE POR FILIAL", width - 13)
            + f"PÁGINA: {len(pages) + 1:4d}",
            fit("Listagem analítica de produtos - posição em 31/03/2026", width - 19)
            + "EMISSÃO: 01/04/2026",
            "=" * width,
            titles,
            "=" * width,
        ]
        page += rows[start : start + rows_per_page]
        page.append("-" * width)
        pages.append(page)
    pages[-1].append(f"{len(rows)} produtos listados. Quantidades em unidades de venda; custos e preços em R$.")
    return pages, width


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--out", default=os.path.join(here, "..", "examples"), help="folder of the samples")
    parser.add_argument("--big", metavar="FILE", help="write only a long 132-column ledger to FILE")
    parser.add_argument("--lines", type=int, default=100000, help="lines of --big (default 100000)")
    args = parser.parse_args()

    if args.big:
        if args.lines < 1:
            parser.error("--lines must be at least 1")
        write_report(args.big, "LIVRO RAZAO - AMOSTRA LONGA", ledger_pages(line_count=args.lines), 132)
        return 0

    os.makedirs(args.out, exist_ok=True)
    write_report(os.path.join(args.out, "invoice-80.txt"), "NOTAS FISCAIS 03/2026", invoice_pages(), 80)
    write_report(os.path.join(args.out, "ledger-132.txt"), "RAZAO ANALITICO 03/2026", ledger_pages(), 132)
    pages, width = listing_pages()
    if width > 255:
        raise SystemExit(f"listing is {width} columns wide")
    write_report(os.path.join(args.out, "listing-255.txt"), "POSICAO DE ESTOQUE 03/2026", pages, 255)
    return 0


if __name__ == "__main__":
    sys.exit(main())
