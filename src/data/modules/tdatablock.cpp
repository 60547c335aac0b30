#include "data/modules/tdatablock.h"

#include "data/modules/tquerynodes.h"

namespace Tarvo::Data {

void TTextBlock::render(ACommandBuilder& out, TQueryNodes&)
{
    out.writeText(m_text);
}

void TTextBlockWithFlushJoin::render(ACommandBuilder& out, TQueryNodes& query)
{
    query.flushWhere(out);
    out.writeText(m_text);
}

void TParamBlock::render(ACommandBuilder& out, TQueryNodes&)
{
    out.writeText(out.parameterMarker());
    out.addParameter(m_value, m_name, m_size, m_type);
}

void TQueryBlockList::render(ACommandBuilder& out, TQueryNodes& query)
{
    for (const TDataBlockPtr& b : m_blocks)
        b->render(out, query);
}

void TWhereMarker::render(ACommandBuilder& out, TQueryNodes& query)
{
    query.flushWhere(out);
}

} // namespace Tarvo::Data
