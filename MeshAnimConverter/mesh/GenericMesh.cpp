// GenericMesh: owned arrays and influences are freed by their members' destructors; the
// skeleton is not owned and is left alone.
#include "MeshAnimConverter/mesh/GenericMesh.h"

GenericBoneInfluence& GenericMeshInfluence::Add() {
    m_items.push_back(std::make_unique<GenericBoneInfluence>());
    return *m_items.back();
}

GenericMesh::~GenericMesh() = default;

ExGenericMesh::~ExGenericMesh() = default;
