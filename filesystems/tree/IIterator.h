// A small forward iterator interface and its implementation over a std::list, as the hit list hands out.
#pragma once

#include <list>

template <class T>
class IIterator {
public:
    virtual ~IIterator() = default;
    virtual void First() = 0;
    virtual void Next() = 0;
    virtual bool IsDone() const = 0;
    virtual T Current() const = 0;
};

// Walk: First, then while !IsDone(): Current(), Next(). Does not own the list.
template <class T>
class ListIterator : public IIterator<T> {
public:
    explicit ListIterator(const std::list<T>* list) : m_list(list), m_cursor(list->end()) {}
    void First() override { m_cursor = m_list->begin(); }
    void Next() override
    {
        if (m_cursor != m_list->end()) ++m_cursor;
    }
    bool IsDone() const override { return m_cursor == m_list->end(); }
    T Current() const override { return IsDone() ? T{} : *m_cursor; }

private:
    const std::list<T>* m_list;
    typename std::list<T>::const_iterator m_cursor;
};
