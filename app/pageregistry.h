#pragma once

#include <QString>
#include <functional>

class AppContext;
class CPropertyPage;
struct StartOptions;

// Every page the sheet can hold, in the order of their indexes when all are present.
enum class PageKind { Intro, Communication, Times, Program, Circuit, Rs485, Events };

inline constexpr PageKind allPageKinds[] = {
    PageKind::Intro,   PageKind::Communication, PageKind::Times, PageKind::Program,
    PageKind::Circuit, PageKind::Rs485,         PageKind::Events};

QString pageTitle(PageKind kind);

// Creates the page of that kind. Each page class is named here once.
CPropertyPage* createPage(PageKind kind, AppContext& context, const StartOptions& options);

// How the view makes its pages; tests hand in their own.
using PageFactory = std::function<CPropertyPage*(PageKind, AppContext&, const StartOptions&)>;
