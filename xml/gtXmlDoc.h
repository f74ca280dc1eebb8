// gtXmlDoc: the toolkit's XML document, an MXMLDocument whose every node, name, text and
// parser buffer comes from a block pool of its own, freed all at once when the document dies.
//
// Usage (the interchange reader):
//   gtFile file;
//   if (!file.Open(path, gtFileDevice::kRead)) ...
//   gtXmlDoc doc;
//   if (!doc.Load(file)) log.Error("XML parser error: %s", doc.GetErrorText());
//   MXMLElement* top = doc.GetRoot()->FirstChildElement();
#pragma once

#include "toolkit/gtStream.h"
#include "xml/MXMLDocument.h"
#include "xml/gtBlockPool.h"

class gtXmlDoc : public MXMLDocument {
public:
    // An MXMLStream over a gtStream: Read and Write forward unchanged.
    class OurStream : public MXMLStream {
    public:
        explicit OurStream(gtStream& stream) : m_stream(stream) {}
        int Read(void* buffer, int size) override { return m_stream.Read(buffer, size); }
        int Write(const void* buffer, int size) override { return m_stream.Write(buffer, size); }

    private:
        gtStream& m_stream;
    };

    gtXmlDoc();
    ~gtXmlDoc() override;

    using MXMLDocument::Load;
    using MXMLDocument::Save;
    static constexpr int kPieceSize = 1 << 16;

    // Loads from an open stream, read to its end in pieces of kPieceSize bytes (a short read
    // ends it).
    bool Load(gtStream& stream);
    bool Save(gtStream& stream, bool formatted);

    const gtBlockPool& Pool() const { return m_pool; }

private:
    gtBlockPool m_pool;
};
