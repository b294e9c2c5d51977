#include "platform/messages.h"

#include <gtest/gtest.h>

using rl::Messages;
using Id = rl::Messages::Id;
using Language = rl::Messages::Language;

namespace {

// Restores the process's language after a test that changes it.
class MessagesTest : public ::testing::Test {
protected:
    void TearDown() override { Messages::setLanguage(saved); }
    Language saved = Messages::language();
};

TEST(MessagesLanguage, ChosenFromTheSystemsPrimaryLanguage) {
    EXPECT_EQ(Messages::languageFor(QLocale::Portuguese), Language::Portuguese);
    EXPECT_EQ(Messages::languageFor(QLocale::French), Language::French);
    EXPECT_EQ(Messages::languageFor(QLocale::Spanish), Language::Spanish);
    EXPECT_EQ(Messages::languageFor(QLocale::English), Language::English);
    EXPECT_EQ(Messages::languageFor(QLocale::German), Language::English);
    EXPECT_EQ(Messages::languageFor(QLocale::Galician), Language::English);
    EXPECT_EQ(Messages::languageFor(QLocale::C), Language::English);
}

TEST_F(MessagesTest, TheTextFollowsTheLanguageSet) {
    Messages::setLanguage(Language::Portuguese);
    EXPECT_EQ(Messages::text(Id::PreparingReport), QString::fromUtf8("Preparando o relatório..."));
    Messages::setLanguage(Language::English);
    EXPECT_EQ(Messages::text(Id::PreparingReport), QStringLiteral("Preparing report..."));
    Messages::setLanguage(Language::French);
    EXPECT_EQ(Messages::language(), Language::French);
    EXPECT_EQ(Messages::text(Id::Copy), QStringLiteral("Copier"));
}

TEST(MessagesTable, PortugueseTexts) {
    const auto pt = [](Id id) { return Messages::text(id, Language::Portuguese).toStdString(); };
    EXPECT_EQ(pt(Id::PreparingReport), "Preparando o relatório...");
    EXPECT_EQ(pt(Id::ErrorPreparingReport), "Erro durante a preparação do relatório");
    EXPECT_EQ(pt(Id::NotFound), "Não encontrado");
    EXPECT_EQ(pt(Id::Page), "Página");
    EXPECT_EQ(pt(Id::Copy), "Copiar");
    EXPECT_EQ(pt(Id::PrintingReport), "Imprimindo o relatório...");
    EXPECT_EQ(pt(Id::SavingReport), "Salvando o relatório...");
    EXPECT_EQ(pt(Id::PleaseWait), "Aguarde...");
    EXPECT_EQ(pt(Id::Cancel), "Cancelar");
    EXPECT_EQ(pt(Id::Print), "Imprimir");
    EXPECT_EQ(pt(Id::Printer), "Impressora");
    EXPECT_EQ(pt(Id::Name), "Nome");
    EXPECT_EQ(pt(Id::PrinterOnPort), "em");
    EXPECT_EQ(pt(Id::UseFilter), "Usar Filtro");
    EXPECT_EQ(pt(Id::Default), "Padrão");
    EXPECT_EQ(pt(Id::PrintToFile), "Imprimir em arquivo");
    EXPECT_EQ(pt(Id::PrintInBackground), "Imprimir em segundo plano");
    EXPECT_EQ(pt(Id::PageRange), "Intervalo de páginas");
    EXPECT_EQ(pt(Id::AllPages), "Tudo");
    EXPECT_EQ(pt(Id::Pages), "Páginas");
    EXPECT_EQ(pt(Id::RangeFrom), "de");
    EXPECT_EQ(pt(Id::RangeTo), "até");
    EXPECT_EQ(pt(Id::Selection), "Seleção");
    EXPECT_EQ(pt(Id::Copies), "Cópias");
    EXPECT_EQ(pt(Id::NumberOfCopies), "Número de cópias");
    EXPECT_EQ(pt(Id::Ok), "Ok");
    EXPECT_EQ(pt(Id::Save), "Salvar");
    EXPECT_EQ(pt(Id::FileNameLabel), "Nome do arquivo:");
    EXPECT_EQ(pt(Id::SaveInBackground), "Salvar em segundo plano");
    EXPECT_EQ(pt(Id::Form), "Formulário");
    EXPECT_EQ(pt(Id::Columns), "cols");
}

TEST(MessagesTable, EnglishTextsGivenForTheReport) {
    const auto en = [](Id id) { return Messages::text(id, Language::English).toStdString(); };
    EXPECT_EQ(en(Id::PreparingReport), "Preparing report...");
    EXPECT_EQ(en(Id::ErrorPreparingReport), "Error while preparing report");
    EXPECT_EQ(en(Id::NotFound), "Not found");
    EXPECT_EQ(en(Id::Page), "Page");
    EXPECT_EQ(en(Id::Copy), "Copy");
}

TEST(MessagesTable, PageWordOfSpanishIsPortuguesesAndOfFrenchIsEnglishs) {
    EXPECT_EQ(Messages::text(Id::Page, Language::Spanish), QString::fromUtf8("Página"));
    EXPECT_EQ(Messages::text(Id::Page, Language::French), QStringLiteral("Page"));
}

TEST(MessagesTable, EveryTextExistsInEveryLanguage) {
    for (int id = 0; id <= int(Id::Columns); ++id)
        for (const Language language :
             {Language::Portuguese, Language::English, Language::French, Language::Spanish})
            EXPECT_FALSE(Messages::text(Id(id), language).isEmpty())
                << "id " << id << " language " << int(language);
}

} // namespace
