#pragma once

#include "app/commands.h"

#include <QString>
#include <functional>

class AppContext;
class CPropertyPage;
class QWidget;
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

// Runs the print job of a printout (1 settings, 2 events) once the communication page
// is in front and the line is logged.
void runPrintout(int mode, AppContext& context, CPropertyPage* eventsPage, QWidget* parent);

// Runs one of the four file commands (open or save, settings or events).
void runFileCommand(Command command, AppContext& context, QWidget* parent);
