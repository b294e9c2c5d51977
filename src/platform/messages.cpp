#include "platform/messages.h"

#include <array>
#include <atomic>

namespace rl {

namespace {

struct Entry {
    Messages::Id id;
    const char* portuguese;
    const char* english;
    const char* french;
    const char* spanish;
};

using Id = Messages::Id;

// UTF-8 texts, one row per Id in the enum's order.
constexpr Entry Table[] = {
    {Id::PreparingReport, "Preparando o relatório...", "Preparing report...", "Préparation du rapport...",
     "Preparando el informe..."},
    {Id::ErrorPreparingReport, "Erro durante a preparação do relatório", "Error while preparing report",
     "Erreur lors de la préparation du rapport", "Error durante la preparación del informe"},
    {Id::NotFound, "Não encontrado", "Not found", "Introuvable", "No encontrado"},
    // Spanish shares the Portuguese word and French the English one: worksheet
    // names of exported spreadsheets depend on it.
    {Id::Page, "Página", "Page", "Page", "Página"},
    {Id::Copy, "Copiar", "Copy", "Copier", "Copiar"},
    {Id::PrintingReport, "Imprimindo o relatório...", "Printing report...", "Impression du rapport...",
     "Imprimiendo el informe..."},
    {Id::SavingReport, "Salvando o relatório...", "Saving report...", "Enregistrement du rapport...",
     "Guardando el informe..."},
    {Id::PleaseWait, "Aguarde...", "Please wait...", "Veuillez patienter...", "Espere, por favor..."},
    {Id::Cancel, "Cancelar", "Cancel", "Annuler", "Cancelar"},
    {Id::Print, "Imprimir", "Print", "Imprimer", "Imprimir"},
    {Id::Printer, "Impressora", "Printer", "Imprimante", "Impresora"},
    {Id::Name, "Nome", "Name", "Nom", "Nombre"},
    {Id::PrinterOnPort, "em", "on", "sur", "en"},
    {Id::UseFilter, "Usar Filtro", "Use Filter", "Utiliser le filtre", "Usar filtro"},
    {Id::Default, "Padrão", "Default", "Par défaut", "Predeterminado"},
    {Id::PrintToFile, "Imprimir em arquivo", "Print to file", "Imprimer dans un fichier",
     "Imprimir en archivo"},
    {Id::PrintInBackground, "Imprimir em segundo plano", "Print in background", "Imprimer en arrière-plan",
     "Imprimir en segundo plano"},
    {Id::PageRange, "Intervalo de páginas", "Page range", "Étendue de pages", "Intervalo de páginas"},
    {Id::AllPages, "Tudo", "All", "Tout", "Todo"},
    {Id::Pages, "Páginas", "Pages", "Pages", "Páginas"},
    {Id::RangeFrom, "de", "from", "de", "desde"},
    {Id::RangeTo, "até", "to", "à", "hasta"},
    {Id::Selection, "Seleção", "Selection", "Sélection", "Selección"},
    {Id::Copies, "Cópias", "Copies", "Copies", "Copias"},
    {Id::NumberOfCopies, "Número de cópias", "Number of copies", "Nombre de copies", "Número de copias"},
    {Id::Ok, "Ok", "OK", "OK", "Aceptar"},
    {Id::Save, "Salvar", "Save", "Enregistrer", "Guardar"},
    {Id::FileNameLabel, "Nome do arquivo:", "File name:", "Nom du fichier :", "Nombre del archivo:"},
    {Id::SaveInBackground, "Salvar em segundo plano", "Save in background", "Enregistrer en arrière-plan",
     "Guardar en segundo plano"},
    {Id::Form, "Formulário", "Form", "Formulaire", "Formulario"},
    {Id::Columns, "cols", "cols", "col.", "cols"},
};

constexpr bool tableInEnumOrder() {
    for (size_t i = 0; i < std::size(Table); ++i)
        if (Table[i].id != Id(i)) return false;
    return true;
}
static_assert(tableInEnumOrder(), "message table rows must follow the order of Messages::Id");
static_assert(std::size(Table) == size_t(Id::Columns) + 1, "every Messages::Id needs a row");

constexpr int Unset = -1;
std::atomic<int> g_language{Unset};

} // namespace

Messages::Language Messages::languageFor(QLocale::Language systemLanguage) {
    switch (systemLanguage) {
    case QLocale::Portuguese:
        return Language::Portuguese;
    case QLocale::French:
        return Language::French;
    case QLocale::Spanish:
        return Language::Spanish;
    default:
        return Language::English;
    }
}

Messages::Language Messages::language() {
    int current = g_language.load(std::memory_order_acquire);
    if (current == Unset) {
        // Two threads racing here compute the same value; the first store wins.
        const int chosen = int(languageFor(QLocale::system().language()));
        g_language.compare_exchange_strong(current, chosen, std::memory_order_acq_rel);
        current = g_language.load(std::memory_order_acquire);
    }
    return Language(current);
}

void Messages::setLanguage(Language language) {
    g_language.store(int(language), std::memory_order_release);
}

QString Messages::text(Id id) {
    return text(id, language());
}

QString Messages::text(Id id, Language language) {
    const auto index = size_t(id);
    if (index >= std::size(Table)) return QString();
    const Entry& entry = Table[index];
    switch (language) {
    case Language::Portuguese:
        return QString::fromUtf8(entry.portuguese);
    case Language::French:
        return QString::fromUtf8(entry.french);
    case Language::Spanish:
        return QString::fromUtf8(entry.spanish);
    case Language::English:
        break;
    }
    return QString::fromUtf8(entry.english);
}

} // namespace rl
