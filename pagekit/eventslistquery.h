#pragma once

// What the window asks of the events page: whether it has listed a register, which
// enables printing events. The events page implements it.
class EventsListQuery {
public:
    virtual ~EventsListQuery() = default;
    virtual bool isListBuilt() const = 0;
};
