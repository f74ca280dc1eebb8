// gtXmlDoc: binds the document's allocator to its block pool (see gtXmlDoc.h).
#include "xml/gtXmlDoc.h"

// The base is built without a root: the pool it allocates from is constructed after it.
gtXmlDoc::gtXmlDoc() : MXMLDocument(DeferRoot{}) {
    BindAllocator(gtBlockPool::AllocateCallback, gtBlockPool::ReleaseCallback, &m_pool,
                  gtBlockPool::AllocatePackedCallback);
    CreateRoot();
}

// Every byte of the tree, the names and the scratch text lives in the pool: drop them all at
// once instead of releasing node by node.
gtXmlDoc::~gtXmlDoc() {
    AbandonAll();
    m_pool.FreeAll();
}

// Larger reads than the stream form's 4096 bytes: fewer calls into the file device and the
// parser; the tree is the same for any piece size.
bool gtXmlDoc::Load(gtStream& stream) {
    OurStream s(stream);
    return LoadInPieces(&s, kPieceSize);
}

bool gtXmlDoc::Save(gtStream& stream, bool formatted) {
    OurStream s(stream);
    return MXMLDocument::Save(&s, formatted);
}
