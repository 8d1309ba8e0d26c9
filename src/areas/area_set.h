// The strategic areas of one add-on as the Areas page edits them: each area
// with its properties and neighbours, whether it has passed the neighbour
// step, and the neighbour step's list of names. StrategicAreas.con is
// written from it, so the file always holds the areas as they stand, in
// list order. A value type: undo and redo keep whole copies.
#pragma once

#include "areas/proposals.h"
#include "areas/work_file.h"

#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace tw::areas {

// One area of StrategicAreas.con as the game reads it, with its lines.
struct ScriptArea {
    std::string name;  // the words before the numbers of its create line, joined by blanks
    size_t line = 0;   // its create line, 1-based
    // The game's box: from the corner the create line names to twice its
    // centre minus that corner (the drawn rectangle, for the wizard's lines).
    double x1 = 0, z1 = 0, x2 = 0, z2 = 0;
    double centreX = 0, centreZ = 0, value = 0;
    std::vector<std::pair<std::string, size_t>> neighbours;  // as written, with their lines
    std::set<std::string> kinds;                             // folded, as written
    struct Order {
        std::string type;  // the search type's word, as written
        double x = 0, z = 0;
        size_t line = 0;
    };
    std::vector<Order> orders;
    int side = -1;  // -1: none given
};

struct AreaScript {
    std::vector<ScriptArea> areas;  // in the order created
    // Lines the game cannot read as an area's, each with what is wrong.
    std::vector<std::pair<size_t, std::string>> problems;
    // What ties each problem (same index) to others: the name a create line
    // that does not read starts with (`create`), or the name made active in
    // vain; for a line left without its area, the problem that left it so
    // and the line's command with its first word (folded).
    struct Tie {
        bool create = false;
        std::string name;
        std::optional<size_t> lostBy;
        std::string command;
    };
    std::vector<Tie> ties;
};

// Reads StrategicAreas.con as the game runs it (level/script.h):
// commands in any letter case, comments passed over; a line after
// aiStrategicArea.setActive belongs to the first area created under that
// name (any letter case).
AreaScript readAreaScript(const Lines& script);

class AreaSet {
public:
    struct Area {
        AreaSpec spec;        // box pixels are the map view's, metres the world's
        bool linked = false;  // its neighbours are given (the neighbour step passed it)
        bool operator==(const Area&) const = default;
    };

    // The map picture the areas are drawn over: its path (relative to the
    // program folder when inside it), empty for the level's own picture.
    struct Picture {
        std::string path;
        bool fitted = false;  // shown in the level's combat area, not over the whole world
        bool operator==(const Picture&) const = default;
    };
    // The neighbours proposed for each area recorded from a proposal.
    using ProposedNeighbours = std::vector<std::pair<std::string, Lines>>;

    AreaSet() = default;
    // A set as it was saved: the areas, the neighbour step's list with its
    // ticks (as many as names), the picture and the proposed neighbours.
    AreaSet(std::vector<Area> areas, bool stepShown, Lines checkList, std::vector<bool> ticked, Picture picture,
            ProposedNeighbours proposed);

    const std::vector<Area>& areas() const { return areas_; }
    size_t size() const { return areas_.size(); }
    Lines names() const;
    // Nothing worth keeping: no area and no neighbour step begun.
    bool empty() const { return areas_.empty() && checkList_.empty(); }

    const Picture& picture() const { return picture_; }
    void setPicture(Picture picture) { picture_ = std::move(picture); }
    const ProposedNeighbours& proposedNeighbours() const { return proposed_; }
    void setProposedNeighbours(ProposedNeighbours proposed) { proposed_ = std::move(proposed); }

    // A new area at the end of the list; it waits for the neighbour step.
    void record(AreaSpec spec);
    // New properties and outline for area i. Its neighbours and its place in
    // the neighbour step stay; a new name is taken over wherever the old one
    // stood: in the other areas' neighbours and in the neighbour list.
    void replace(size_t i, AreaSpec spec);
    // Area i leaves the list, the other areas' neighbours and the neighbour list.
    void remove(size_t i);

    // The neighbour step. Its list of names only grows by "Fertig", which
    // appends the waiting areas' names, unticked.
    bool stepShown() const { return stepShown_; }
    const Lines& checkList() const { return checkList_; }
    const std::vector<bool>& ticked() const { return ticked_; }
    void openStep();
    void tick(size_t row, bool on);
    // The area whose neighbours are asked for: the first that waits.
    std::optional<size_t> current() const;
    // "Next one": the ticked names become the current area's neighbours, in
    // list order, and the next waiting area comes up, with the neighbours it
    // had before ticked. False when no area waits.
    bool finishCurrent();
    // The neighbour step once more for area i alone: the list holds every
    // area's name once, with its present neighbours ticked.
    void reopen(size_t i);
    // The neighbour step shown with every area's name once, none ticked, as
    // after the last "Next one" of a step that listed them all.
    void showAllNames();

    // The proposals led through in the properties box, one at a time.
    struct ProposalWalk {
        std::vector<Proposal> proposals;
        std::vector<std::optional<std::string>> names;  // the name each was recorded under
        size_t at = 0;                                   // the one shown
        bool operator==(const ProposalWalk&) const = default;
    };
    // A new walk; proposals named like a recorded area (letter case aside)
    // count as recorded: passed over, but neighbours of the new ones.
    void startProposals(std::vector<Proposal> proposals);
    const ProposalWalk& walk() const { return walk_; }
    void setWalk(ProposalWalk walk) { walk_ = std::move(walk); }
    const std::vector<Proposal>& proposals() const { return walk_.proposals; }
    size_t proposalShown() const { return walk_.at; }
    bool proposalWaits(size_t i) const { return i < walk_.names.size() && !walk_.names[i]; }
    // The proposal to show: the first not recorded from the shown one on.
    // Nothing, and the walk is over, when none is left.
    std::optional<size_t> nextProposal();
    void skipProposal();
    // The shown proposal was recorded under `name`: every recorded
    // proposal's neighbours among the recorded ones are proposed, and the
    // walk moves on. False when no proposal is shown.
    bool proposalRecorded(const std::string& name);

    // StrategicAreas.con: what the properties box and the neighbour step
    // write for these areas recorded afresh in list order.
    Lines script() const;

    // The areas, picture and proposed neighbours as the work file of an
    // earlier version keeps them, and back.
    void toWork(AreasWork& work) const;
    // Nothing when the work's lines do not describe areas.
    static std::optional<AreaSet> fromWork(const AreasWork& work);

    // The areas of a written StrategicAreas.con as readAreaScript reads it,
    // all through the neighbour step (outlines in metres only: their
    // map-view pixels are 0). Kinds other than the six the properties box
    // offers, and lines that cannot be read, are passed over.
    static AreaSet fromScript(const Lines& script);

    bool operator==(const AreaSet&) const = default;

private:
    void tickNeighboursOfCurrent();

    std::vector<Area> areas_;
    bool stepShown_ = false;
    Lines checkList_;
    std::vector<bool> ticked_;
    Picture picture_;
    ProposedNeighbours proposed_;
    ProposalWalk walk_;
};

// Undo and Redo over whole area sets: each change keeps the set before it.
class AreaHistory {
public:
    void changed(AreaSet before);  // a new change: nothing is left to redo
    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    // The set to go back (or forward) to from `now`; nothing when there is none.
    std::optional<AreaSet> undo(AreaSet now);
    std::optional<AreaSet> redo(AreaSet now);
    void clear();

private:
    std::vector<AreaSet> undo_, redo_;
};

} // namespace tw::areas
