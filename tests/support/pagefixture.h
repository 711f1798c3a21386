#pragma once

#include "link/devicelink.h"
#include "link/memoryline.h"
#include "link/page/cinitpage.h"
#include "link/requests.h"
#include "model/settingsrecord.h"
#include "tests/support/fakecontext.h"
#include "tests/support/linktesthelpers.h"

#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// How many lines of a communication page's log end in `text`.
inline int loggedCount(const CInitPage& page, const QString& text)
{
    int count = 0;
    for (int row = 0; row < page.logLineCount(); ++row)
        count += page.logLineAt(row).endsWith("  " + text);
    return count;
}

// A communication page on a line in memory, driven step by step through the engine's
// handlers; prompts and message boxes are collected instead of shown. The context starts
// as the main window's does: default settings, the start label file.
struct PageFixture {
    explicit PageFixture(const StartOptions& options = {})
    {
        SettingsRecord::applyDefaults(context.deviceData);
        context.labels().setLabelFileCode(LabelStore::startCode);
        context.reading = [this] { return page->readingEvents(); };
        auto memory = std::make_unique<MemoryLine>();
        line = memory.get();
        page = std::make_unique<CInitPage>(context, options, std::move(memory), LinkTimings{});
        page->setMessageShower([this](const QString& text) { messages << text; });
        link().setClock([] { return qint64(1'700'000'000); });
    }

    DeviceLink& link() { return page->link(); }

    // Probe answered at once, link opening acknowledged, link up at 2400 baud.
    void establish()
    {
        page->connectDevice();
        line->deliver(Fake::probeAnswer());
        link().onConnectTick();
        line->deliver(Fake::writeAnswer(0, 1));
        link().onConnectTick();
    }
    // A status poll answered.
    void goOnline(const Fake::Status& status = {})
    {
        link().onLinkTick();
        line->deliver(Fake::statusAnswer(status));
    }

    QTemporaryDir labelsDir;
    FakeContext context{labelsDir.path()};
    MemoryLine* line = nullptr;
    std::unique_ptr<CInitPage> page;
    QStringList messages;
};
