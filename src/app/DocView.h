#pragma once

// A view attached to the document: told when the document asks every view to update.
class CDocView
{
public:
    virtual ~CDocView() = default;
    // hint: the update's number; hasHintObject: whether an object came with it.
    virtual void OnUpdate(int hint, bool hasHintObject) = 0;
};
