#pragma once

#include "data/engine/query.h"

#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

namespace Tarvo::Data {

class TQueryNodes;

// Receives the rendered statement: text, and parameters in the order of their markers.
class ACommandBuilder
{
public:
    virtual ~ACommandBuilder() = default;
    virtual QString parameterMarker() const = 0;
    virtual void writeText(const QString& text) = 0;
    virtual void addParameter(const QVariant& value, const QString& name, int size, ParamType type) = 0;
};

// A piece of a statement of the command builder.
class TDataBlock
{
public:
    virtual ~TDataBlock() = default;
    virtual void render(ACommandBuilder& out, TQueryNodes& query) = 0;
};

using TDataBlockPtr = std::shared_ptr<TDataBlock>;

class TTextBlock : public TDataBlock
{
public:
    explicit TTextBlock(QString text) : m_text(std::move(text)) {}
    void render(ACommandBuilder& out, TQueryNodes& query) override;
    const QString& text() const { return m_text; }

protected:
    QString m_text;
};

// A text that needs the WHERE part written before it (the ORDER BY tail).
class TTextBlockWithFlushJoin : public TTextBlock
{
public:
    using TTextBlock::TTextBlock;
    void render(ACommandBuilder& out, TQueryNodes& query) override;
};

class TParamBlock : public TDataBlock
{
public:
    TParamBlock(QVariant value, QString name, ParamType type, int size)
        : m_value(std::move(value)), m_name(std::move(name)), m_type(type), m_size(size)
    {}
    void render(ACommandBuilder& out, TQueryNodes& query) override;

private:
    QVariant m_value;
    QString m_name;
    ParamType m_type;
    int m_size;
};

// A condition group: text and parameter blocks rendered in order.
class TQueryBlockList : public TDataBlock
{
public:
    void render(ACommandBuilder& out, TQueryNodes& query) override;
    void add(TDataBlockPtr block) { m_blocks.push_back(std::move(block)); }
    void addText(const QString& text) { add(std::make_shared<TTextBlock>(text)); }
    void addParam(const QVariant& value, int size, ParamType type, const QString& name = {})
    {
        add(std::make_shared<TParamBlock>(value, name, type, size));
    }
    bool isEmpty() const { return m_blocks.empty(); }

private:
    std::vector<TDataBlockPtr> m_blocks;
};

using TQueryBlockListPtr = std::shared_ptr<TQueryBlockList>;

class TWhereMarker : public TDataBlock
{
public:
    void render(ACommandBuilder& out, TQueryNodes& query) override;
};

} // namespace Tarvo::Data
