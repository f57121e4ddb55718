// Placeholder so the whole tree links while this class is being written.
#include "stnode.h"
STNode::STNode(QTreeWidgetItem *parent, int type)
    : QTreeWidgetItem(parent, type), m_fragments(std::make_shared<QList<Fragment>>()),
      m_featureLines(std::make_shared<QList<int>>()),
      m_sortedFragments(std::make_shared<QList<Fragment>>()),
      m_stripes(std::make_shared<StripeList>()), m_featureStripes(std::make_shared<StripeList>()) {}
STNode::~STNode() = default;
QTreeWidgetItem *STNode::clone() const { return nullptr; }
QPixmap STNode::texture() const { return m_texture; }
void STNode::setTexture(const QPixmap &texture) { m_texture = texture; }
void STNode::initFeatureLines(FeatureList *features) { m_featureList = features; }
void STNode::addFragment(Feature *, int, int, int) {}
void STNode::computeUnannotatedLines(int) {}
void STNode::sortFragments() {}
void STNode::addToAncestors(int) {}
void STNode::sumChildLineCounts() {}
void STNode::computeFeatureLines() {}
QPixmap STNode::packageTexture(int) { return {}; }
QPixmap STNode::featureTexture(Feature *, int, int) { return {}; }
QPixmap STNode::featureRowTexture(Feature *, int, int) { return {}; }
