#!/usr/bin/env python3
"""Writes the reports of the encoding tests, one per encoding, and beside each
the lines the report engine must receive from it.

    tests/data/encodings/make_encoded_reports.py     # rewrites the files here

NAME.txt is the report as a program writes it: the encoding's bytes, CR LF
line ends, a first line that is never printed, a form feed opening page 2.
NAME-cells.txt holds the printed lines (the first one left out, the form feed
dropped) as the viewer's Windows-1252 text, CR LF: frames folded to - = | +,
characters Windows-1252 lacks as ?, one cell for each character. Both are
written from the literal texts below, checked by hand cell for cell.
"""
from pathlib import Path

HERE = Path(__file__).resolve().parent

# (file name, Python codec, report lines, printed lines)
REPORTS = [
    ("cp850", "cp850", [
        "TITULO DO RELATORIO (NAO IMPRESSO)",
        "╔══════════════════════════════════════════╗",
        "║ RELATÓRIO DE PRODUÇÃO - AÇÕES DO MÊS     ║",
        "║ Filial: São João   Seção: Manutenção     ║",
        "╚══════════════════════════════════════════╝",
        "┌──────────┬───────────────┬───────────────┐",
        "│ Código   │ Descrição     │ Preço (R$)    │",
        "├──────────┼───────────────┼───────────────┤",
        "│ 001      │ Pão de açúcar │      1.234,56 │",
        "│ 002      │ Maçã nº 3     │         12,00 │",
        "└──────────┴───────────────┴───────────────┘",
        "\f╠═╬═╣ Página 2: êxito, À vista, ÉÍÓÚ, ü, ±, ½, °, ı",
    ], [
        "+==========================================+",
        "| RELATÓRIO DE PRODUÇÃO - AÇÕES DO MÊS     |",
        "| Filial: São João   Seção: Manutenção     |",
        "+==========================================+",
        "+----------+---------------+---------------+",
        "| Código   | Descrição     | Preço (R$)    |",
        "+----------+---------------+---------------+",
        "| 001      | Pão de açúcar |      1.234,56 |",
        "| 002      | Maçã nº 3     |         12,00 |",
        "+----------+---------------+---------------+",
        "+=+=+ Página 2: êxito, À vista, ÉÍÓÚ, ü, ±, ½, °, ?",
    ]),
    ("cp437", "cp437", [
        "REPORT TITLE (NOT PRINTED)",
        "╒══════════╤═══════════════╕",
        "│ Año      │ Señor Müller  │",
        "╞══════════╪═══════════════╡",
        "│ Café     │ Français 25°C │",
        "╘══════════╧═══════════════╛",
        "┌─┬─┐ ╓─╖ ╙─╜ ░▒▓█ α ß µ ½ ¿ ¡ Ç É ñ Ñ",
        "\f└─┴─┘ Page 2: naïve façade, über, £ ¥ ƒ ₧",
    ], [
        "+==========+===============+",
        "| Año      | Señor Müller  |",
        "+==========+===============+",
        "| Café     | Français 25°C |",
        "+==========+===============+",
        "+-+-+ +-+ +-+ ???? ? ß µ ½ ¿ ¡ Ç É ñ Ñ",
        "+-+-+ Page 2: naïve façade, über, £ ¥ ƒ ?",
    ]),
    # ISO-8859-15 has no box drawing: its programs rule frames with ASCII.
    ("iso-8859-15", "iso8859_15", [
        "TITRE DU RAPPORT (NON IMPRIME)",
        "+------------+--------------+",
        "| Produit    | Prix         |",
        "+------------+--------------+",
        "| Œuvre      |      12,50 € |",
        "| Š Ž š ž œ Ÿ| Ação, João   |",
        "+------------+--------------+",
        "\fPágina 2: Total € 1.234,56; açúcar, naïve, ÿ",
    ], [
        "+------------+--------------+",
        "| Produit    | Prix         |",
        "+------------+--------------+",
        "| Œuvre      |      12,50 € |",
        "| Š Ž š ž œ Ÿ| Ação, João   |",
        "+------------+--------------+",
        "Página 2: Total € 1.234,56; açúcar, naïve, ÿ",
    ]),
    # A byte order mark; heavy and rounded frames; an accent written apart
    # from its letter; characters beyond Windows-1252, one beyond 16 bits.
    ("utf-8", "utf-8", [
        "\ufeffTITULO DO RELATORIO (NAO IMPRESSO)",
        "╔══════╦═══════╗ ┏━━┓ ╭──╮",
        "║ Ação ║ 10 €  ║ ┃ok┃ │ok│",
        "╚══════╩═══════╝ ┗━━┛ ╰──╯",
        "┌───────────┬────────────┐",
        "│ Relatório │ Preço      │",
        "│ Cafe\u0301      │ “aspas” – — │",
        "│ → ✓ Ω 日本 │ 😀 ½ ¼     │",
        "└───────────┴────────────┘",
        "\f╠══╣ Página 2: Œuvre, Š, €, São João",
    ], [
        "+======+=======+ +--+ +--+",
        "| Ação | 10 €  | |ok| |ok|",
        "+======+=======+ +--+ +--+",
        "+-----------+------------+",
        "| Relatório | Preço      |",
        "| Café      | “aspas” – — |",
        "| ? ? ? ?? | ? ½ ¼     |",
        "+-----------+------------+",
        "+==+ Página 2: Œuvre, Š, €, São João",
    ]),
]


def main():
    for name, codec, lines, printed in REPORTS:
        (HERE / f"{name}.txt").write_bytes("".join(line + "\r\n" for line in lines).encode(codec))
        (HERE / f"{name}-cells.txt").write_bytes(
            "".join(line + "\r\n" for line in printed).encode("cp1252"))


if __name__ == "__main__":
    main()
