#pragma once

#include "../library/LibraryFixture.h"

#include "library/NativeLibrary.h"
#include "support/TaskRunner.h"
#include "support/WorkspacePrompts.h"
#include "workspace/Workspace.h"

// A workspace over a home library in a temporary folder, read through the real store.
class WorkspaceFixture : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    QString root = m_dir.path() + QStringLiteral("/Library");
    TestSupport::WorkspacePrompts prompts;
    std::unique_ptr<NativeLibrary> library = std::make_unique<NativeLibrary>(root);
    std::unique_ptr<Workspace> workspace;

    // Opens the workspace on the home library and waits for the first read.
    void start()
    {
        workspace = std::make_unique<Workspace>(*library, prompts, JobServices{}, true);
        settle();
    }

    void settle() { ASSERT_TRUE(TestSupport::waitUntil([&] { return !workspace->loading(); })); }

    Recording stored(const QString &id) const
    {
        return RecordCodec::decodeRecording(
            LibraryFixture::readBytes(root + QStringLiteral("/recordings/") + id + QStringLiteral("/record.json")));
    }

    Recording inMemory(const QString &id) const
    {
        for (const Recording &r : workspace->records())
            if (r.id == id)
                return r;
        ADD_FAILURE() << "no note " << id.toStdString();
        return {};
    }
};
