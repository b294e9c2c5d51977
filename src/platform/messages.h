#pragma once

#include <QLocale>
#include <QString>

namespace rl {

// The report library's own texts (progress window, print and save dialogs,
// preparation errors, the preview's menu) in Portuguese, English, French and
// Spanish. The viewer's own windows are Portuguese only and do not use this table.
//
// The language is chosen once, at first use, from the system's primary language
// (QLocale::system(), decided by LANG / LC_ALL): Portuguese, French or Spanish
// when it is one of them, English otherwise. Thread-safe.
class Messages {
public:
    enum class Language { Portuguese, English, French, Spanish };

    enum class Id {
        // report preparation and its progress window
        PreparingReport,      // "Preparando o relatório..."
        ErrorPreparingReport, // "Erro durante a preparação do relatório"
        NotFound,             // "Não encontrado"
        Page,                 // "Página"
        // preview
        Copy, // "Copiar"
        // filter progress window
        PrintingReport, // "Imprimindo o relatório..."
        SavingReport,   // "Salvando o relatório..."
        PleaseWait,     // "Aguarde..."
        Cancel,         // "Cancelar"
        // print and save dialogs (callers add the ":" after a label where needed)
        Print,             // "Imprimir" (print dialog caption)
        Printer,           // "Impressora"
        Name,              // "Nome"
        PrinterOnPort,     // "em" (between a printer's name and its port)
        UseFilter,         // "Usar Filtro"
        Default,           // "Padrão" (no filter; the dot-matrix form option)
        PrintToFile,       // "Imprimir em arquivo"
        PrintInBackground, // "Imprimir em segundo plano"
        PageRange,         // "Intervalo de páginas"
        AllPages,          // "Tudo"
        Pages,             // "Páginas"
        RangeFrom,         // "de"
        RangeTo,           // "até"
        Selection,         // "Seleção"
        Copies,            // "Cópias"
        NumberOfCopies,    // "Número de cópias"
        Ok,                // "Ok"
        Save,              // "Salvar" (save dialog caption and button)
        FileNameLabel,     // "Nome do arquivo:"
        SaveInBackground,  // "Salvar em segundo plano"
        // dot-matrix filter's form option
        Form,    // "Formulário"
        Columns, // "cols" (as in "80 cols")
    };

    // The text in the current language.
    static QString text(Id id);
    // The text in a given language.
    static QString text(Id id, Language language);

    static Language language();
    // Replaces the language chosen from the system (tests, a command-line override).
    static void setLanguage(Language language);
    // The table's language for a system language.
    static Language languageFor(QLocale::Language systemLanguage);
};

} // namespace rl
